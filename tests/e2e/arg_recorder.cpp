// A stand-in for the signer and the archiver in tests: appends the arguments it was started
// with to the file named by ERACUNI_RECORD (else "<program>.args" beside itself) as
// "call NAME" followed by one line per argument, UTF-8, and exits with 0. On Windows the
// arguments are split from the command line by the system's CommandLineToArgvW, not by this
// program's own parser, so the record shows what a Windows program really receives.
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

namespace {
std::string Utf8(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
  return s;
}
std::vector<std::string> Arguments(int, char**) {
  int n = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &n);
  std::vector<std::string> args;
  for (int i = 0; i < n; ++i) args.push_back(Utf8(argv[i]));
  LocalFree(argv);
  return args;
}
std::FILE* OpenRecord(const std::string& self) {
  if (const wchar_t* env = _wgetenv(L"ERACUNI_RECORD")) return _wfopen(env, L"ab");
  std::wstring w(MAX_PATH * 4, L'\0');
  w.resize(GetModuleFileNameW(nullptr, w.data(), static_cast<DWORD>(w.size())));
  (void)self;
  return _wfopen((w + L".args").c_str(), L"ab");
}
}  // namespace
#else
#include <cstdlib>

namespace {
std::vector<std::string> Arguments(int argc, char** argv) { return {argv, argv + argc}; }
std::FILE* OpenRecord(const std::string& self) {
  const char* env = std::getenv("ERACUNI_RECORD");
  return std::fopen(env ? env : (self + ".args").c_str(), "ab");
}
}  // namespace
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args = Arguments(argc, argv);
  if (args.empty()) return 2;
  std::FILE* out = OpenRecord(args[0]);
  if (!out) return 3;
  const std::string& self = args[0];
  std::fprintf(out, "call %s\n", self.substr(self.find_last_of("/\\") + 1).c_str());
  for (size_t i = 1; i < args.size(); ++i) std::fprintf(out, "%s\n", args[i].c_str());
  return std::fclose(out) == 0 ? 0 : 3;
}
