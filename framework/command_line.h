// Windows command lines: how a list of arguments becomes the one string CreateProcessW
// takes, and how the started program's C runtime splits it back.
//
// Windows hands a program a single command line; each program's runtime cuts it into
// arguments (the rules of the Microsoft C runtime and CommandLineToArgvW: blanks separate,
// double quotes group, backslashes escape only before a quote). Quoting here is the exact
// inverse of that parsing, so every argument (blanks, quotes, trailing backslashes,
// letters beyond ASCII) arrives as it was given. Pure functions on UTF-8 bytes; no shell is
// involved, so characters such as & | < > % ^ mean nothing. Compiled on every platform so
// the rules are tested everywhere.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace eracuni {

// One argument as it must appear on a command line: unchanged when it needs no quotes,
// otherwise in double quotes with its quotes and the backslashes before them escaped.
// An empty argument becomes "". Arguments must not hold a NUL byte.
std::string QuoteWindowsArgument(std::string_view arg);

// The program (argv[0], which the runtime reads without escapes: always quoted, and a
// Windows file name never holds a quote) followed by each argument quoted, one blank apart.
std::string WindowsCommandLine(std::string_view program, const std::vector<std::string>& args);

// Splits a whole command line as the C runtime does: the first word by the program-name
// rules, the rest as arguments. The inverse of WindowsCommandLine.
std::vector<std::string> ParseWindowsCommandLine(std::string_view line);

// Splits arguments only (the part after the program name).
std::vector<std::string> ParseWindowsArguments(std::string_view line);

}  // namespace eracuni
