#include "batch/commands.h"

#include <cctype>

#include "framework/cp1250.h"
#include "workdata/record_buffer.h"

namespace eracuni::batch {
namespace {

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// " \"path\"" for each path, at the end of `line`, which grows once: a run's list may name
// tens of thousands of files.
void AppendQuotedList(std::string& line, const std::vector<std::string>& paths) {
  size_t size = line.size();
  for (const std::string& p : paths) size += p.size() + 3;
  line.reserve(size);
  for (const std::string& p : paths) line.append(" \"").append(p).append("\"");
}

bool EndsWithExe(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".exe";
}

}  // namespace

std::string QuotedList(const std::vector<std::string>& paths) {
  std::string list;
  AppendQuotedList(list, paths);
  return list;
}

ProgramCommand SignerCommand(std::string_view list) {
  ProgramCommand c;
  c.program = kSignerProgram;
  c.args = {Cp1250ToUtf8(workdata::ClipRight(list))};
  c.command_line = c.program + " " + Quoted(c.args[0]);
  return c;
}

ProgramCommand ArchiverCommand(std::string_view archiver, std::string_view package_path,
                               const std::vector<std::string>& envelopes,
                               const std::vector<std::string>& attachments) {
  ProgramCommand c;
  c.program = Cp1250ToUtf8(workdata::ClipRight(archiver));
  std::string line =
      std::string(workdata::ClipRight(archiver)) + " a -tzip -mx9 " + Quoted(package_path);
  AppendQuotedList(line, envelopes);
  line += ' ';
  AppendQuotedList(line, attachments);
  c.command_line = Cp1250ToUtf8(line);

  c.args = {"a", "-tzip", "-mx9", "-bso0", "-bsp0", "-spd", "--", Cp1250ToUtf8(package_path)};
  for (const std::string& e : envelopes) c.args.push_back(Cp1250ToUtf8(e));
  for (const std::string& a : attachments) c.args.push_back(Cp1250ToUtf8(a));
  return c;
}

std::string FindArchiver(ProgramRunner& runner, const std::string& name) {
  std::string found = runner.FindProgram(name);
  if (found.empty() && EndsWithExe(name))
    found = runner.FindProgram(name.substr(0, name.size() - 4));
  if (found.empty()) found = runner.FindProgram(kArchiverFallback);
  return found;
}

}  // namespace eracuni::batch
