// The Windows platform: the wide (UTF-16) Win32 calls behind the Platform interfaces.
//
// Paths arrive in UTF-8 and become UTF-16 here; long ones get the "\\?\" form. Files are
// always binary and opened so that other programs may read, write and delete them while we
// read them (the invoicing programs keep the work files open). Error codes are the Win32
// ones (2 file not found, 3 path not found, 5 access denied, 32 sharing violation), with
// the system's own texts.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "framework/command_line.h"
#include "framework/cp1250.h"
#include "framework/file_names.h"
#include "framework/platform.h"

namespace eracuni {
namespace {

// ---- Text at the edges ---------------------------------------------------------------------

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

// A path as Win32 wants it. Past MAX_PATH only the "\\?\" form works, and that form takes
// the path literally, so it is made absolute and normalised first.
std::wstring WidePath(const std::string& path) {
  std::wstring w = Wide(path);
  if (w.size() < MAX_PATH - 12 || w.rfind(L"\\\\?\\", 0) == 0) return w;
  DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return w;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
  full.resize(n);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

Status Win32Status(const std::string& what, DWORD err) {
  std::string text = what + ": " + SystemErrorText(static_cast<int>(err));
  const int code = static_cast<int>(err);
  if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return Status::NotFound(text, code);
  if (err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION)
    return Status::AccessDenied(text, code);
  return Status::IoError(text, code);
}

Status LastError(const std::string& what) { return Win32Status(what, GetLastError()); }

// A ":" past the drive names a stream of another file: "out\2:26-3.XML" is the stream
// "26-3.XML" of the file "out\2", where a document would lie hidden beside an empty file.
// Such names are refused for writing as Windows refuses "?" or "*".
bool NamesAStream(std::string_view path) {
  if (path.starts_with(R"(\\?\)")) path.remove_prefix(4);
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
    path.remove_prefix(2);
  return path.find(':') != std::string_view::npos;
}

// Other programs keep reading, writing, renaming and deleting while we hold a file.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// ---- Message boxes, clock, random ----------------------------------------------------------

class StderrMessageBox : public MessageBox {
 public:
  MessageButton Show(const MessageRequest& r) override {
    std::string text = Cp1250ToUtf8(r.text);
    std::replace(text.begin(), text.end(), '|', '\n');
    std::fprintf(stderr, "[%s]\n%s\n", Cp1250ToUtf8(r.caption).c_str(), text.c_str());
    return r.buttons == MessageButtons::kOk ? MessageButton::kOk : r.default_button;
  }
};

class RealClock : public Clock {
 public:
  LocalDateTime Now() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds / 10};
  }
};

class RealRandom : public Random {
 public:
  int Between(int low, int high) override {
    return std::uniform_int_distribution<int>(low, high)(engine_);
  }

 private:
  // random_device draws from the system's generator (rand_s); the clock and the process
  // id keep two runs apart even where it would not.
  std::seed_seq seed_{std::random_device{}(), static_cast<unsigned>(GetTickCount64()),
                      static_cast<unsigned>(GetCurrentProcessId())};
  std::mt19937 engine_{seed_};
};

// ---- Files ---------------------------------------------------------------------------------

class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    if (!valid()) return true;
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

class WindowsWritableFile : public WritableFile {
 public:
  WindowsWritableFile(std::string path, HANDLE h) : path_(std::move(path)), h_(h) {}
  Status Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
      DWORD written = 0;
      if (!WriteFile(h_.get(), bytes.data(), chunk, &written, nullptr))
        return LastError("write " + path_);
      bytes.remove_prefix(written);
    }
    return Status::Ok();
  }
  // Windows has no wait for a whole file system that a program without rights could use, so
  // every close waits for its own file (CloseWithoutSync is Close).
  Status Close() override {
    if (!h_.valid()) return Status::Ok();
    if (!FlushFileBuffers(h_.get())) {
      Status s = LastError("write " + path_);
      h_.Close();
      return s;
    }
    if (!h_.Close()) return LastError("close " + path_);
    return Status::Ok();
  }

 private:
  std::string path_;
  Handle h_;
};

class WindowsRandomAccessFile : public RandomAccessFile {
 public:
  WindowsRandomAccessFile(std::string path, HANDLE h, uint64_t size)
      : path_(std::move(path)), h_(h), size_(size) {}
  uint64_t Size() const override { return size_; }
  Status Read(uint64_t offset, size_t n, std::string* out) override {
    out->resize(n);
    size_t done = 0;
    while (done < n) {
      OVERLAPPED at{};
      const uint64_t pos = offset + done;
      at.Offset = static_cast<DWORD>(pos);
      at.OffsetHigh = static_cast<DWORD>(pos >> 32);
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(h_.get(), out->data() + done, chunk, &got, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF) break;
        return LastError("read " + path_);
      }
      if (got == 0) break;
      done += got;
    }
    out->resize(done);
    return Status::Ok();
  }

 private:
  std::string path_;
  Handle h_;
  uint64_t size_;
};

class WindowsFileSystem : public FileSystem {
 public:
  bool AllowsTwoThreads() const override { return true; }
  bool Exists(const std::string& path) override {
    return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  bool IsDirectory(const std::string& path) override {
    DWORD a = GetFileAttributesW(WidePath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
  }
  bool IsRegularFile(const std::string& path) override { return RegularFile(path).has_value(); }
  // The volume's serial number and the file's number on it: 128 bits where the system
  // gives them (ReFS numbers need them all), the older 64 otherwise.
  std::optional<RegularFileFacts> RegularFile(const std::string& path) override {
    Handle h(OpenForQuery(path));
    BY_HANDLE_FILE_INFORMATION info;
    if (!h.valid() || GetFileType(h.get()) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(h.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      return std::nullopt;
    RegularFileFacts facts;
    facts.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    FILE_ID_INFO id;
    if (GetFileInformationByHandleEx(h.get(), FileIdInfo, &id, sizeof id)) {
      facts.id.volume = id.VolumeSerialNumber;
      std::memcpy(&facts.id.high, id.FileId.Identifier + 8, 8);
      std::memcpy(&facts.id.low, id.FileId.Identifier, 8);
    } else {
      facts.id.volume = info.dwVolumeSerialNumber;
      facts.id.low = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    return facts;
  }
  Result<uint64_t> FileSize(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &d))
      return LastError("stat " + path);
    return (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
  }
  Result<std::string> ReadFile(const std::string& path) override {
    auto opened = OpenForReading(path);
    if (!opened.ok()) return opened.status();
    Handle h(*opened);
    std::string data;
    char buf[65536];
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(h.get(), buf, sizeof buf, &got, nullptr)) return LastError("read " + path);
      if (got == 0) break;
      data.append(buf, got);
    }
    return data;
  }
  Result<std::unique_ptr<RandomAccessFile>> NewRandomAccessFile(const std::string& path) override {
    auto opened = OpenForReading(path);
    if (!opened.ok()) return opened.status();
    HANDLE h = *opened;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size)) {
      Status s = LastError("open " + path);
      CloseHandle(h);
      return s;
    }
    return std::unique_ptr<RandomAccessFile>(
        new WindowsRandomAccessFile(path, h, static_cast<uint64_t>(size.QuadPart)));
  }
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path) override {
    if (NamesAStream(path)) return Win32Status("create " + path, ERROR_INVALID_NAME);
    HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastError("create " + path);
    return std::unique_ptr<WritableFile>(new WindowsWritableFile(path, h));
  }
  Status DeleteFile(const std::string& path) override {
    if (!DeleteFileW(WidePath(path).c_str())) return LastError("delete " + path);
    return Status::Ok();
  }
  // Replaces the target in one step and returns only when the new name is on the disk.
  Status RenameFile(const std::string& from, const std::string& to) override {
    if (NamesAStream(to)) return Win32Status("rename " + from, ERROR_INVALID_NAME);
    if (!MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return LastError("rename " + from);
    return Status::Ok();
  }
  Status CopyFile(const std::string& from, const std::string& to) override {
    return CopyThroughTemporary(*this, from, to);
  }
  Result<std::vector<std::string>> ListDirectory(const std::string& dir) override {
    std::string pattern = dir.empty() ? std::string(".") : dir;
    if (!IsPathSeparator(pattern.back())) pattern += '\\';
    WIN32_FIND_DATAW e;
    HANDLE h = FindFirstFileExW(WidePath(pattern + "*").c_str(), FindExInfoBasic, &e,
                                FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) return LastError("list " + dir);
    std::vector<std::string> names;
    do {
      std::string n = Utf8(e.cFileName);
      if (n != "." && n != "..") names.push_back(std::move(n));
    } while (FindNextFileW(h, &e));
    const DWORD err = GetLastError();
    FindClose(h);
    if (err != ERROR_NO_MORE_FILES) return Win32Status("list " + dir, err);
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string CurrentDirectory() override {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring w(n, L'\0');
    n = GetCurrentDirectoryW(n, w.data());
    w.resize(n);
    return Utf8(w);
  }
  // Every close has waited already; what remains is to tell a missing folder.
  Status SyncFileSystem(const std::string& path) override {
    if (GetFileAttributesW(WidePath(path.empty() ? "." : path).c_str()) == INVALID_FILE_ATTRIBUTES)
      return LastError("sync " + path);
    return Status::Ok();
  }
  Status SetCurrentDirectory(const std::string& dir) override {
    if (!SetCurrentDirectoryW(Wide(dir).c_str())) return LastError("chdir " + dir);
    return Status::Ok();
  }

 private:
  // Attributes only: opens folders too, and never waits for a device.
  static HANDLE OpenForQuery(const std::string& path) {
    return CreateFileW(WidePath(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  }
  // Files on a disk only: a name such as "CON" or "COM1.pdf" opens a device, which holds no
  // data to read and may wait forever.
  static Result<HANDLE> OpenForReading(const std::string& path) {
    HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastError("open " + path);
    if (GetFileType(h) != FILE_TYPE_DISK) {
      CloseHandle(h);
      return Win32Status("open " + path, ERROR_INVALID_FUNCTION);
    }
    return h;
  }
};

// ---- Programs ------------------------------------------------------------------------------

bool IsFile(const std::string& path) {
  DWORD a = GetFileAttributesW(WidePath(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ModuleFolder() {
  std::wstring w(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, w.data(), static_cast<DWORD>(w.size()));
  w.resize(n);
  return std::string(FolderPart(Utf8(w)));
}

std::string SystemFolder(UINT (*get)(LPWSTR, UINT)) {
  wchar_t buf[MAX_PATH];
  UINT n = get(buf, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::string() : Utf8(std::wstring_view(buf, n));
}

UINT SystemDirectory(LPWSTR b, UINT n) { return GetSystemDirectoryW(b, n); }
UINT WindowsDirectory(LPWSTR b, UINT n) { return GetWindowsDirectoryW(b, n); }

class WindowsProgramRunner : public ProgramRunner {
 public:
  // As CreateProcess finds a program: ".exe" is added to a name without an extension; a
  // name without a folder is looked for in this program's folder, the current folder, the
  // system folders and then the folders of PATH (";"-separated, quotes allowed).
  std::string FindProgram(const std::string& name) override {
    if (name.empty()) return {};
    std::string file = name;
    if (FileNamePart(file).find('.') == std::string_view::npos) file += ".exe";
    if (file.find_first_of("/\\:") != std::string::npos) return IsFile(file) ? file : "";
    std::vector<std::string> dirs = {ModuleFolder(), SystemFileSystem().CurrentDirectory(),
                                     SystemFolder(SystemDirectory), SystemFolder(WindowsDirectory)};
    if (const wchar_t* path = _wgetenv(L"PATH")) {
      std::string all = Utf8(path);
      for (size_t start = 0; start <= all.size();) {
        size_t end = std::min(all.find(';', start), all.size());
        std::string dir = all.substr(start, end - start);
        dir.erase(std::remove(dir.begin(), dir.end(), '"'), dir.end());
        dirs.push_back(dir);
        start = end + 1;
      }
    }
    for (std::string dir : dirs) {
      if (dir.empty()) continue;
      if (!IsPathSeparator(dir.back())) dir += '\\';
      if (IsFile(dir + file)) return dir + file;
    }
    return {};
  }
  // No shell: the program is started directly, with a command line its C runtime splits
  // back into exactly `args`.
  Result<int> Run(const std::string& program, const std::vector<std::string>& args) override {
    std::wstring line = Wide(WindowsCommandLine(program, args));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(WidePath(program).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi))
      return LastError("start " + program);
    CloseHandle(pi.hThread);
    Handle process(pi.hProcess);
    if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) return LastError("wait " + program);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return LastError("wait " + program);
    return static_cast<int>(code);
  }
};

UINT original_console_cp = 0;
void RestoreConsole() { SetConsoleOutputCP(original_console_cp); }

}  // namespace

MessageBox& ConsoleMessageBox() {
  static StderrMessageBox box;
  return box;
}
Clock& SystemClock() {
  static RealClock clock;
  return clock;
}
FileSystem& SystemFileSystem() {
  static WindowsFileSystem fs;
  return fs;
}
ProgramRunner& SystemProgramRunner() {
  static WindowsProgramRunner runner;
  return runner;
}
Random& SystemRandom() {
  static RealRandom random;
  return random;
}

std::vector<std::string> StartProcess(int, char**) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  if (GetConsoleWindow() != nullptr && original_console_cp == 0) {
    original_console_cp = GetConsoleOutputCP();
    if (SetConsoleOutputCP(CP_UTF8)) std::atexit(RestoreConsole);
  }
  std::vector<std::string> args = ParseWindowsCommandLine(Utf8(GetCommandLineW()));
  args.erase(args.begin());
  return args;
}

int CurrentProcessId() { return static_cast<int>(GetCurrentProcessId()); }

std::string SystemErrorText(int code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&text), 0,
                           nullptr);
  std::string s = n ? Utf8(std::wstring_view(text, n)) : "Error " + std::to_string(code);
  if (text) LocalFree(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

int SystemErrorCode(SystemError e) {
  switch (e) {
    case SystemError::kFileNotFound:
      return ERROR_FILE_NOT_FOUND;
    case SystemError::kAccessDenied:
      return ERROR_ACCESS_DENIED;
    case SystemError::kAlreadyExists:
      return ERROR_ALREADY_EXISTS;
    case SystemError::kInvalidName:
      return ERROR_INVALID_NAME;
  }
  return ERROR_INVALID_PARAMETER;
}

}  // namespace eracuni
