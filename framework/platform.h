// Platform: every effect this program has on the world outside its own memory.
//
// Message boxes, the clock, the file system, external programs and the random source sit
// behind these small interfaces, so that tests answer questions, fix the time and the
// random digits, and inject faults. `SystemPlatform()` gives the real implementations
// (posix_platform.cpp or windows_platform.cpp, nothing else calls the system); the fakes
// live in framework/testing/. A Platform only refers to its parts; whoever builds it
// owns them and keeps them alive.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/status.h"

namespace eracuni {

// ---- Message boxes -------------------------------------------------------------------------

enum class MessageIcon { kNone, kExclamation, kInformation, kQuestion };
enum class MessageButtons { kOk, kYesNo };
enum class MessageButton { kOk, kYes, kNo };

struct MessageRequest {
  std::string text;     // windows-1250; "|" starts a new line
  std::string caption;  // windows-1250
  MessageIcon icon = MessageIcon::kNone;
  MessageButtons buttons = MessageButtons::kOk;
  MessageButton default_button = MessageButton::kOk;
  // Label of the single OK button when it is not the standard one ("V redu"); windows-1250.
  std::string button_text;
};

class MessageBox {
 public:
  virtual ~MessageBox() = default;
  // Shows the message and waits for the user; returns the button pressed.
  virtual MessageButton Show(const MessageRequest& request) = 0;
};

// ---- Clock ---------------------------------------------------------------------------------

struct LocalDateTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0;
  int hundredths = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime Now() = 0;
};

// ---- Random source -------------------------------------------------------------------------

class Random {
 public:
  virtual ~Random() = default;
  // A uniformly drawn integer in [low, high].
  virtual int Between(int low, int high) = 0;
};

// ---- File system ---------------------------------------------------------------------------
// Paths are UTF-8; "/" and "\" both separate folders on Windows. Failures carry the
// system's error code in Status::error_code() (errno, or the Win32 code on Windows) and its
// text in the message, so callers can show "code - text" as the messages of this program do.

class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual Status Append(std::string_view bytes) = 0;
  // Flushes, waits until the bytes are on the disk, and closes; a file is complete only
  // when Close() returned ok.
  virtual Status Close() = 0;
  // Closes without waiting for the disk: the bytes are durable only after a later
  // FileSystem::SyncFileSystem. Where that distinction does not exist, the same as Close().
  virtual Status CloseWithoutSync() { return Close(); }
};

// An existing file opened for reads at any offset, for stores that read a large file piece
// by piece instead of loading it whole.
class RandomAccessFile {
 public:
  virtual ~RandomAccessFile() = default;
  // The file's size when it was opened.
  virtual uint64_t Size() const = 0;
  // Reads `n` bytes at `offset` into `*out`; fewer only where the file ends.
  virtual Status Read(uint64_t offset, size_t n, std::string* out) = 0;
};

// Which file a path reaches: every path of one file (through links, "." and "..", or in
// another letter case where names ignore it) gives the same identity, two files never one.
// The system's own numbers for the file where it keeps them.
struct FileId {
  uint64_t volume = 0;
  uint64_t high = 0;
  uint64_t low = 0;
  friend auto operator<=>(const FileId&, const FileId&) = default;
};

struct RegularFileFacts {
  uint64_t size = 0;
  FileId id;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool Exists(const std::string& path) = 0;
  virtual bool IsDirectory(const std::string& path) = 0;
  // A plain file with bytes: not a folder, a pipe or a device. This default, for file
  // systems without such things, takes whatever exists and is no folder.
  virtual bool IsRegularFile(const std::string& path) { return Exists(path) && !IsDirectory(path); }
  // A plain file's size (0 where it cannot be read) and identity, nothing for anything
  // else: one question where a caller needs these answers together.
  virtual std::optional<RegularFileFacts> RegularFile(const std::string& path);
  virtual Result<uint64_t> FileSize(const std::string& path) = 0;
  virtual Result<std::string> ReadFile(const std::string& path) = 0;
  // The POSIX file system reads on demand; this default loads the file once through ReadFile.
  virtual Result<std::unique_ptr<RandomAccessFile>> NewRandomAccessFile(const std::string& path);
  // Creates or truncates.
  virtual Result<std::unique_ptr<WritableFile>> NewWritableFile(const std::string& path) = 0;
  virtual Status DeleteFile(const std::string& path) = 0;
  // Replaces an existing target.
  virtual Status RenameFile(const std::string& from, const std::string& to) = 0;
  virtual Status CopyFile(const std::string& from, const std::string& to) = 0;
  // Names (not paths) of the entries of a folder, sorted.
  virtual Result<std::vector<std::string>> ListDirectory(const std::string& dir) = 0;
  virtual std::string CurrentDirectory() = 0;
  virtual Status SetCurrentDirectory(const std::string& dir) = 0;
  // Waits until everything written to the file system that holds `path` (a file or a
  // folder) has reached the disk: one wait for many files closed without a sync. A file
  // system kept in memory has nothing to wait for.
  virtual Status SyncFileSystem(const std::string& path);
  // The file a write that replaces `path` must replace: where `path` is a symbolic link,
  // the file at the end of its chain (which need not exist yet); otherwise `path`.
  virtual std::string ResolveLinks(const std::string& path) { return path; }
  // Gives the file `to` the access mode and, as far as the system lets this user, the owner
  // and group of `from`, so that a replacement written beside a file keeps them.
  virtual Status CopyModeAndOwner(const std::string& from, const std::string& to);
  // Whether two threads may call this file system at once (the system's own may; fakes that
  // note their calls may not).
  virtual bool AllowsTwoThreads() const { return false; }
};

// ---- External programs ---------------------------------------------------------------------

class ProgramRunner {
 public:
  virtual ~ProgramRunner() = default;
  // Full path of a program found the way the system finds programs (a name without a
  // folder is searched on PATH); empty when there is none.
  virtual std::string FindProgram(const std::string& name) = 0;
  // Starts the program without a shell, each argument passed as it is, and waits for it.
  // The result is the program's exit code; a program that cannot be started is an error.
  virtual Result<int> Run(const std::string& program, const std::vector<std::string>& args) = 0;
};

// ---- The bundle ----------------------------------------------------------------------------

struct Platform {
  MessageBox& messages;
  Clock& clock;
  FileSystem& files;
  ProgramRunner& programs;
  Random& random;
};

// The real implementations of the system this program is built for (POSIX or Windows);
// message boxes print to standard error and answer with the default button (the windowed
// program installs a Qt message box in their place).
Platform& SystemPlatform();

MessageBox& ConsoleMessageBox();
Clock& SystemClock();
FileSystem& SystemFileSystem();
ProgramRunner& SystemProgramRunner();
Random& SystemRandom();

#ifndef _WIN32
// The POSIX implementations by their own names, for the code and tests of that platform.
Platform& PosixPlatform();
FileSystem& PosixFileSystem();
ProgramRunner& PosixProgramRunner();
#endif

// ---- Process -------------------------------------------------------------------------------

// Prepares the process for this program's texts and returns its arguments (without the
// program name) in UTF-8. On Windows the arguments come from the wide command line, as the
// narrow ones hold only the ANSI code page, and standard output and error become binary
// (no CR added) and UTF-8 on a console.
std::vector<std::string> StartProcess(int argc, char** argv);

int CurrentProcessId();

// The system's own text for one of its error codes (errno on POSIX, the Win32 error codes
// on Windows), in UTF-8.
std::string SystemErrorText(int code);

// The system's code for failures this program detects itself, so that its messages show
// the numbers and texts the system would.
enum class SystemError { kFileNotFound, kAccessDenied, kAlreadyExists, kInvalidName };
int SystemErrorCode(SystemError e);

// The copy both real file systems make: through a temporary name beside the target, so a
// full disk never leaves a cut copy under the target's name.
Status CopyThroughTemporary(FileSystem& fs, const std::string& from, const std::string& to);

}  // namespace eracuni
