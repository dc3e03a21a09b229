#include "tests/support/stand_in_signer.h"

#include <cstdlib>
#include <filesystem>

namespace eracuni::testing {
namespace {

std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

StandInSigner::StandInSigner() : record_(bin_.File("signer-record")) {
  const char* path = std::getenv("PATH");
  old_path_ = path ? path : "";
  setenv("PATH", (bin_.path() + ":" + old_path_).c_str(), 1);
  Install();
}

StandInSigner::~StandInSigner() { setenv("PATH", old_path_.c_str(), 1); }

void StandInSigner::Install(int exit_code, const std::string& watched) {
  std::string script =
      "#!/bin/sh\n"
      "{ echo \"args $#\"\n"
      "  for a in \"$@\"; do printf '%s\\n' \"$a\"; done\n"
      "  set -f; IFS=';'; for f in $1; do [ -e \"$f\" ] && printf 'exists %s\\n' \"$f\"; done\n";
  if (!watched.empty())
    script += "  [ -e " + Quoted(watched) + " ] && printf 'exists %s\\n' " + Quoted(watched) + "\n";
  script += "} >> " + Quoted(record_) + "\nexit " + std::to_string(exit_code) + "\n";
  const std::string signer = bin_.File("PodpisiXML_35.EXE");
  WriteFileOrDie(signer, script);
  std::filesystem::permissions(signer, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
}

}  // namespace eracuni::testing
