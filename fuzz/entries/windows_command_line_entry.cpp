// Any list of arguments through the Windows command-line quoting and the runtime's parsing.
#include <vector>

#include "framework/command_line.h"
#include "fuzz/entries/fuzz_entries.h"

namespace eracuni::fuzz {

std::string FuzzWindowsCommandLine(std::string_view data) {
  // NUL separates the arguments (no argument can hold one); the first piece is the program,
  // without quotes, as a Windows file name never holds one.
  std::vector<std::string> args;
  for (size_t start = 0;;) {
    size_t end = data.find('\0', start);
    args.emplace_back(data.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  std::string program;
  for (char c : args.front())
    if (c != '"') program += c;
  args.erase(args.begin());

  for (const std::string& arg : args) {
    std::vector<std::string> back = ParseWindowsArguments(QuoteWindowsArgument(arg));
    if (back.size() != 1 || back.front() != arg) return "one argument does not come back alone and unchanged";
  }
  std::vector<std::string> whole = ParseWindowsCommandLine(WindowsCommandLine(program, args));
  if (whole.empty() || whole.front() != program) return "the program name changes on the command line";
  if (std::vector<std::string>(whole.begin() + 1, whole.end()) != args)
    return "the arguments change on the command line";
  return "";
}

}  // namespace eracuni::fuzz
