#include "framework/command_line.h"

namespace eracuni {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Characters after which a runtime might end an argument; newline and vertical tab are
// quoted too, as some parsers treat them as blanks.
bool NeedsQuotes(std::string_view arg) {
  return arg.empty() || arg.find_first_of(" \t\n\v\"") != std::string_view::npos;
}

// Reads one argument starting at `i` (not at a blank); leaves `i` after it.
std::string ParseArgument(std::string_view line, size_t& i) {
  std::string out;
  bool in_quotes = false;
  while (i < line.size()) {
    size_t slashes = 0;
    while (i < line.size() && line[i] == '\\') ++slashes, ++i;
    if (i < line.size() && line[i] == '"') {
      out.append(slashes / 2, '\\');
      if (slashes % 2 == 1) {
        out += '"';  // \" is a quote character
      } else if (in_quotes && i + 1 < line.size() && line[i + 1] == '"') {
        out += '"';  // "" inside quotes is a quote character (the current runtime's rule)
        ++i;
      } else {
        in_quotes = !in_quotes;
      }
      ++i;
      continue;
    }
    out.append(slashes, '\\');
    if (i >= line.size() || (!in_quotes && IsBlank(line[i]))) break;
    out += line[i++];
  }
  return out;
}

void SkipBlanks(std::string_view line, size_t& i) {
  while (i < line.size() && IsBlank(line[i])) ++i;
}

}  // namespace

std::string QuoteWindowsArgument(std::string_view arg) {
  if (!NeedsQuotes(arg)) return std::string(arg);
  std::string out = "\"";
  size_t slashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    // Backslashes count only before a quote: double them there, and escape the quote.
    out.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
    slashes = 0;
    out += c;
  }
  out.append(2 * slashes, '\\');  // before the closing quote
  out += '"';
  return out;
}

std::string WindowsCommandLine(std::string_view program, const std::vector<std::string>& args) {
  std::string line = "\"" + std::string(program) + "\"";
  for (const auto& a : args) line += " " + QuoteWindowsArgument(a);
  return line;
}

std::vector<std::string> ParseWindowsArguments(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  for (SkipBlanks(line, i); i < line.size(); SkipBlanks(line, i)) args.push_back(ParseArgument(line, i));
  return args;
}

std::vector<std::string> ParseWindowsCommandLine(std::string_view line) {
  // The program name: quotes group and are dropped, backslashes are plain characters.
  std::string program;
  bool in_quotes = false;
  size_t i = 0;
  for (; i < line.size() && (in_quotes || !IsBlank(line[i])); ++i) {
    if (line[i] == '"')
      in_quotes = !in_quotes;
    else
      program += line[i];
  }
  std::vector<std::string> all{program};
  for (auto& a : ParseWindowsArguments(line.substr(i))) all.push_back(std::move(a));
  return all;
}

}  // namespace eracuni
