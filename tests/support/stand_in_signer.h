// A stand-in for the signing program: a script named like it in a folder of its own that
// is put first on PATH while the object lives. It leaves the documents alone and records,
// a line each, "args N", every argument, "exists PATH" for each ";"-separated path of its
// first argument that exists, and "exists PATH" for the watched path if that exists then.
// On Windows the stand-in is tests/e2e's argument recorder, which records its arguments
// as its "call NAME" lines and always succeeds.
#pragma once

#include <string>

#include "framework/testing/fakes.h"

namespace eracuni::testing {

class StandInSigner {
 public:
  StandInSigner();
  ~StandInSigner();
  StandInSigner(const StandInSigner&) = delete;
  StandInSigner& operator=(const StandInSigner&) = delete;

  // Replaces the script: it exits with `exit_code` and watches `watched` (none when empty).
  void Install(int exit_code = 0, const std::string& watched = {});
  // What the runs so far recorded.
  std::string Record() const { return ReadFileOrEmpty(record_); }
  // The PATH in force before this object put its folder first.
  const std::string& old_path() const { return old_path_; }

 private:
  TempDir bin_;
  std::string record_;
  std::string old_path_;
};

}  // namespace eracuni::testing
