// Runs a program the way the code under test does, without a shell, and keeps what it
// wrote. Used by tests of the command-line tools and to list what the archiver packed.
#pragma once

#include <string>
#include <vector>

namespace eracuni::testing {

struct ProgramOutput {
  int exit_code = -1;  // -1 when the program did not start or did not exit normally
  std::string out, err;
};

// `program` is looked up on PATH when it names no folder.
ProgramOutput RunProgram(const std::string& program, const std::vector<std::string>& args);

// Sets a variable of this process's environment, which the programs it starts inherit.
void SetEnv(const std::string& name, const std::string& value);
#ifdef _WIN32
inline constexpr char kPathListSeparator = ';';
#else
inline constexpr char kPathListSeparator = ':';
#endif

// The names inside a ZIP package, as `7za l` lists them.
std::vector<std::string> PackageNames(const std::string& package);

}  // namespace eracuni::testing
