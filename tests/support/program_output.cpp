#include "tests/support/program_output.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <sstream>

#include "framework/testing/fakes.h"

extern char** environ;

namespace eracuni::testing {

ProgramOutput RunProgram(const std::string& program, const std::vector<std::string>& args) {
  TempDir tmp;
  const std::string out = tmp.File("stdout"), err = tmp.File("stderr");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ProgramOutput r;
  pid_t pid = 0;
  int status = 0;
  if (posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0 &&
      waitpid(pid, &status, 0) == pid && WIFEXITED(status))
    r.exit_code = WEXITSTATUS(status);
  posix_spawn_file_actions_destroy(&actions);
  r.out = ReadFileOrEmpty(out);
  r.err = ReadFileOrEmpty(err);
  return r;
}

std::vector<std::string> PackageNames(const std::string& package) {
  std::vector<std::string> names;
  std::istringstream listing(RunProgram("7za", {"l", "-slt", "-ba", "--", package}).out);
  for (std::string line; std::getline(listing, line);)
    if (line.rfind("Path = ", 0) == 0) names.push_back(line.substr(7));
  return names;
}

}  // namespace eracuni::testing
