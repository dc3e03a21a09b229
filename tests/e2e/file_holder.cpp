// Holds files open as an invoicing program does while it works on them (read and write
// access, reads and writes of others allowed) until RELEASE exists, for the end-to-end test
// that the converter reads work files another program holds open. READY is created once
// every file is open. Gives up after two minutes.
//
//   file_holder READY RELEASE FILE...
#include <windows.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  std::vector<HANDLE> held;
  for (int i = 3; i < argc; ++i) {
    HANDLE h = CreateFileW(argv[i], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "file_holder: cannot open argument %d (error %lu)\n", i, GetLastError());
      return 1;
    }
    held.push_back(h);
  }
  HANDLE ready = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(ready);
  for (int waited = 0; GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES; waited += 50) {
    if (waited > 120000) return 1;
    Sleep(50);
  }
  for (HANDLE h : held) CloseHandle(h);
  return 0;
}
