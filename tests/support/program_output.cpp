#include "tests/support/program_output.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;
#endif

#include <cstdlib>
#include <sstream>

#include "framework/command_line.h"
#include "framework/platform.h"
#include "framework/testing/fakes.h"

namespace eracuni::testing {
namespace {

#ifdef _WIN32
std::wstring Wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

// A file the started program inherits as its standard output or error.
HANDLE InheritableOutput(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  return CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The exit code, or -1 when the program did not start.
int Run(const std::string& program, const std::vector<std::string>& args, const std::string& out,
        const std::string& err) {
  const std::string path = program.find_first_of("/\\") == std::string::npos
                               ? SystemProgramRunner().FindProgram(program)
                               : program;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = InheritableOutput(out);
  startup.hStdError = InheritableOutput(err);
  std::wstring line = Wide(WindowsCommandLine(path, args));
  PROCESS_INFORMATION process{};
  int exit_code = -1;
  if (!path.empty() && CreateProcessW(Wide(path).c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process)) {
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process.hProcess, &code))
      exit_code = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  return exit_code;
}
#else
int Run(const std::string& program, const std::vector<std::string>& args, const std::string& out,
        const std::string& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int exit_code = -1;
  pid_t pid = 0;
  int status = 0;
  if (posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0 &&
      waitpid(pid, &status, 0) == pid && WIFEXITED(status))
    exit_code = WEXITSTATUS(status);
  posix_spawn_file_actions_destroy(&actions);
  return exit_code;
}
#endif

}  // namespace

ProgramOutput RunProgram(const std::string& program, const std::vector<std::string>& args) {
  TempDir tmp;
  const std::string out = tmp.File("stdout"), err = tmp.File("stderr");
  ProgramOutput r;
  r.exit_code = Run(program, args, out, err);
  r.out = ReadFileOrEmpty(out);
  r.err = ReadFileOrEmpty(err);
  return r;
}

void SetEnv(const std::string& name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name.c_str(), value.c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

std::vector<std::string> PackageNames(const std::string& package) {
  std::vector<std::string> names;
  std::istringstream listing(RunProgram("7za", {"l", "-slt", "-ba", "--", package}).out);
  for (std::string line; std::getline(listing, line);)
    if (line.rfind("Path = ", 0) == 0) names.push_back(line.substr(7));
  return names;
}

}  // namespace eracuni::testing
