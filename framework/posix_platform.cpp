#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>

#include "framework/cp1250.h"
#include "framework/platform.h"

extern char** environ;

namespace eracuni {
namespace {

Status ErrnoStatus(const std::string& what, int err) {
  std::string text = what + ": " + std::strerror(err);
  if (err == ENOENT) return Status::NotFound(text, err);
  if (err == EACCES || err == EPERM) return Status::AccessDenied(text, err);
  return Status::IoError(text, err);
}

// Opens an existing file for reading, regular files only: the open of a FIFO would wait for
// a writer that never comes, and a folder or a device holds no data to read.
Result<int> OpenRegularFile(const std::string& path, uint64_t* size) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return ErrnoStatus("open " + path, errno);
  struct stat st {};
  int err = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  if (err == 0 && !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Status::IoError("open " + path + ": not a regular file", EINVAL);
  }
  if (err != 0) {
    ::close(fd);
    return ErrnoStatus("open " + path, err);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  *size = static_cast<uint64_t>(st.st_size);
  return fd;
}

class StderrMessageBox : public MessageBox {
 public:
  MessageButton Show(const MessageRequest& r) override {
    std::string text = EscapeControls(Cp1250ToUtf8(r.text));
    std::replace(text.begin(), text.end(), '|', '\n');
    std::fprintf(stderr, "[%s]\n%s\n", Cp1250ToUtf8(r.caption).c_str(), text.c_str());
    return r.buttons == MessageButtons::kOk ? MessageButton::kOk : r.default_button;
  }
};

class RealClock : public Clock {
 public:
  LocalDateTime Now() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    localtime_r(&ts.tv_sec, &t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
            static_cast<int>(ts.tv_nsec / 10000000)};
  }
};

class RealRandom : public Random {
 public:
  int Between(int low, int high) override {
    return std::uniform_int_distribution<int>(low, high)(engine_);
  }

 private:
  std::mt19937 engine_{std::random_device{}()};
};

class PosixWritableFile : public WritableFile {
 public:
  PosixWritableFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  ~PosixWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  Status Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return ErrnoStatus("write " + path_, errno);
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return Status::Ok();
  }
  Status Close() override { return Finish(true); }
  Status CloseWithoutSync() override { return Finish(false); }

 private:
  Status Finish(bool sync) {
    if (fd_ < 0) return Status::Ok();
    int fd = fd_;
    fd_ = -1;
    if (sync && ::fsync(fd) != 0 && errno != EINVAL) {
      int err = errno;
      ::close(fd);
      return ErrnoStatus("write " + path_, err);
    }
    if (::close(fd) != 0) return ErrnoStatus("close " + path_, errno);
    return Status::Ok();
  }

  std::string path_;
  int fd_;
};

class PosixRandomAccessFile : public RandomAccessFile {
 public:
  PosixRandomAccessFile(std::string path, int fd, uint64_t size)
      : path_(std::move(path)), fd_(fd), size_(size) {}
  ~PosixRandomAccessFile() override { ::close(fd_); }
  uint64_t Size() const override { return size_; }
  Status Read(uint64_t offset, size_t n, std::string* out) override {
    out->resize(n);
    size_t done = 0;
    while (done < n) {
      ssize_t got = ::pread(fd_, out->data() + done, n - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return ErrnoStatus("read " + path_, errno);
      if (got == 0) break;
      done += static_cast<size_t>(got);
    }
    out->resize(done);
    return Status::Ok();
  }

 private:
  std::string path_;
  int fd_;
  uint64_t size_;
};

class RealFileSystem : public FileSystem {
 public:
  bool AllowsTwoThreads() const override { return true; }
  bool Exists(const std::string& path) override {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
  }
  bool IsDirectory(const std::string& path) override {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }
  bool IsRegularFile(const std::string& path) override {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }
  std::optional<RegularFileFacts> RegularFile(const std::string& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return RegularFileFacts{
        static_cast<uint64_t>(st.st_size),
        {static_cast<uint64_t>(st.st_dev), 0, static_cast<uint64_t>(st.st_ino)}};
  }
  Result<uint64_t> FileSize(const std::string& path) override {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return ErrnoStatus("stat " + path, errno);
    return static_cast<uint64_t>(st.st_size);
  }
  Result<std::string> ReadFile(const std::string& path) override {
    uint64_t size = 0;
    Result<int> opened = OpenRegularFile(path, &size);
    if (!opened.ok()) return opened.status();
    const int fd = *opened;
    std::string data;
    data.reserve(static_cast<size_t>(size));
    char buf[65536];
    for (;;) {
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        int err = errno;
        ::close(fd);
        return ErrnoStatus("read " + path, err);
      }
      if (n == 0) break;
      data.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return data;
  }
  Result<std::unique_ptr<RandomAccessFile>> NewRandomAccessFile(const std::string& path) override {
    uint64_t size = 0;
    Result<int> fd = OpenRegularFile(path, &size);
    if (!fd.ok()) return fd.status();
    return std::unique_ptr<RandomAccessFile>(new PosixRandomAccessFile(path, *fd, size));
  }
  Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path) override {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return ErrnoStatus("create " + path, errno);
    return std::unique_ptr<WritableFile>(new PosixWritableFile(path, fd));
  }
  Status DeleteFile(const std::string& path) override {
    if (::unlink(path.c_str()) != 0) return ErrnoStatus("delete " + path, errno);
    return Status::Ok();
  }
  Status RenameFile(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return ErrnoStatus("rename " + from, errno);
    return Status::Ok();
  }
  Status CopyFile(const std::string& from, const std::string& to) override {
    return CopyThroughTemporary(*this, from, to);
  }
  Result<std::vector<std::string>> ListDirectory(const std::string& dir) override {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return ErrnoStatus("list " + dir, errno);
    std::vector<std::string> names;
    while (dirent* e = ::readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string CurrentDirectory() override {
    char buf[4096];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
  }
  Status SetCurrentDirectory(const std::string& dir) override {
    if (::chdir(dir.c_str()) != 0) return ErrnoStatus("chdir " + dir, errno);
    return Status::Ok();
  }
  std::string ResolveLinks(const std::string& path) override {
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {  // a longer chain is a loop
      struct stat st {};
      if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
      char buf[4096];
      ssize_t n = ::readlink(p.c_str(), buf, sizeof buf);
      if (n <= 0 || static_cast<size_t>(n) == sizeof buf) return p;
      std::string link(buf, static_cast<size_t>(n));
      const size_t slash = p.rfind('/');
      p = link[0] == '/' || slash == std::string::npos ? link : p.substr(0, slash + 1) + link;
    }
    return path;
  }
  Status CopyModeAndOwner(const std::string& from, const std::string& to) override {
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0) return ErrnoStatus("stat " + from, errno);
    // Only the superuser gives a file away; a member of the group can still keep the group.
    if (::chown(to.c_str(), st.st_uid, st.st_gid) != 0) (void)::chown(to.c_str(), -1, st.st_gid);
    if (::chmod(to.c_str(), st.st_mode & 07777) != 0) return ErrnoStatus("chmod " + to, errno);
    return Status::Ok();
  }
  Status SyncFileSystem(const std::string& path) override {
    int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ErrnoStatus("sync " + path, errno);
    int rc = ::syncfs(fd);
    int err = errno;
    ::close(fd);
    if (rc != 0) return ErrnoStatus("sync " + path, err);
    return Status::Ok();
  }
};

// A file that may be run: a folder of the program's name is not one, although it passes
// the access check for "executable".
bool IsProgramFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

class RealProgramRunner : public ProgramRunner {
 public:
  std::string FindProgram(const std::string& name) override {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return IsProgramFile(name) ? name : "";
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
      size_t end = dirs.find(':', start);
      if (end == std::string::npos) end = dirs.size();
      std::string dir = dirs.substr(start, end - start);
      std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
      if (IsProgramFile(candidate)) return candidate;
      start = end + 1;
    }
    return {};
  }
  Result<int> Run(const std::string& program, const std::vector<std::string>& args) override {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) return ErrnoStatus("start " + program, rc);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
      if (errno != EINTR) return ErrnoStatus("wait " + program, errno);
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  }
};

}  // namespace

MessageBox& ConsoleMessageBox() {
  static StderrMessageBox box;
  return box;
}
Clock& SystemClock() {
  static RealClock clock;
  return clock;
}
FileSystem& PosixFileSystem() {
  static RealFileSystem fs;
  return fs;
}
ProgramRunner& PosixProgramRunner() {
  static RealProgramRunner runner;
  return runner;
}
Random& SystemRandom() {
  static RealRandom random;
  return random;
}
Platform& PosixPlatform() { return SystemPlatform(); }
FileSystem& SystemFileSystem() { return PosixFileSystem(); }
ProgramRunner& SystemProgramRunner() { return PosixProgramRunner(); }

std::vector<std::string> StartProcess(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

// Asked for every temporary name; the program never forks, so the number never changes.
int CurrentProcessId() {
  static const int pid = static_cast<int>(::getpid());
  return pid;
}

std::string SystemErrorText(int code) { return std::strerror(code); }

int SystemErrorCode(SystemError e) {
  switch (e) {
    case SystemError::kFileNotFound:
      return ENOENT;
    case SystemError::kAccessDenied:
      return EACCES;
    case SystemError::kAlreadyExists:
      return EEXIST;
    case SystemError::kInvalidName:
      return EINVAL;
  }
  return EINVAL;
}

}  // namespace eracuni
