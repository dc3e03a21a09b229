// The command lines of the two outside programs, the signer and the archiver.
//
// A command is built twice over: as the one-line text the program has always been called
// with (kept for logs), and as the argument list it is really started with, without a shell,
// each path one argument. Inputs are windows-1250 texts; the text and the arguments come
// out in UTF-8, as the file system and the terminal want them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/platform.h"

namespace eracuni::batch {

inline constexpr const char* kSignerProgram = "PodpisiXML_35.EXE";
inline constexpr const char* kArchiverFallback = "7za";

struct ProgramCommand {
  std::string program;            // as named, without a folder it is searched on PATH
  std::vector<std::string> args;  // as the program receives them
  std::string command_line;       // the traditional one-line form
};

// `PodpisiXML_35.EXE "a.xml;b.xml"`: the whole ";"-separated list is one argument.
ProgramCommand SignerCommand(std::string_view list);

// `7za.EXE a -tzip -mx9 "package" "envelope"  "attachment" ...`. The arguments add "-spd"
// and "--" before the file names, so that no name is read as a wildcard, a list file or a
// switch, and "-bso0 -bsp0", so that only the archiver's warnings and errors are printed.
ProgramCommand ArchiverCommand(std::string_view archiver, std::string_view package_path,
                               const std::vector<std::string>& envelopes,
                               const std::vector<std::string>& attachments);

// The archiver list ` "path"` entry by entry, as LOC:SEZNAMPRILOG holds it.
std::string QuotedList(const std::vector<std::string>& paths);

// Where the archiver named `name` is: the name itself as the system finds programs, else the
// same name without a ".EXE" ending (any case), else "7za" on PATH; empty when none exists.
std::string FindArchiver(ProgramRunner& runner, const std::string& name);

}  // namespace eracuni::batch
