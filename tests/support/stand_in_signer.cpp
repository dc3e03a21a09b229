#include "tests/support/stand_in_signer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "framework/platform.h"
#include "tests/support/program_output.h"

namespace eracuni::testing {
namespace {

constexpr char kSigner[] = "PodpisiXML_35.EXE";

}  // namespace

#ifdef _WIN32
StandInSigner::StandInSigner() : record_(bin_.File(kSigner) + ".args") {
#else
StandInSigner::StandInSigner() : record_(bin_.File("signer-record")) {
#endif
  const char* path = std::getenv("PATH");
  old_path_ = path ? path : "";
  SetEnv("PATH", bin_.path() + kPathListSeparator + old_path_);
  Install();
}

StandInSigner::~StandInSigner() { SetEnv("PATH", old_path_); }

#ifdef _WIN32
void StandInSigner::Install(int exit_code, const std::string& watched) {
  if (exit_code != 0 || !watched.empty())
    ADD_FAILURE() << "the Windows stand-in signer only records and succeeds";
  Status copied = SystemFileSystem().CopyFile(ERACUNI_ARG_RECORDER, bin_.File(kSigner));
  EXPECT_TRUE(copied.ok()) << copied.ToString();
}
#else
namespace {

std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

void StandInSigner::Install(int exit_code, const std::string& watched) {
  std::string script =
      "#!/bin/sh\n"
      "{ echo \"args $#\"\n"
      "  for a in \"$@\"; do printf '%s\\n' \"$a\"; done\n"
      "  set -f; IFS=';'; for f in $1; do [ -e \"$f\" ] && printf 'exists %s\\n' \"$f\"; done\n";
  if (!watched.empty())
    script += "  [ -e " + Quoted(watched) + " ] && printf 'exists %s\\n' " + Quoted(watched) + "\n";
  script += "} >> " + Quoted(record_) + "\nexit " + std::to_string(exit_code) + "\n";
  const std::string signer = bin_.File(kSigner);
  WriteFileOrDie(signer, script);
  std::filesystem::permissions(signer, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
}
#endif

}  // namespace eracuni::testing
