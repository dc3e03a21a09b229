#include "framework/status.h"

namespace eracuni {

std::string Status::ToString() const {
  const char* name = "OK";
  switch (code_) {
    case Code::kOk: return "OK";
    case Code::kNotFound: name = "Not found"; break;
    case Code::kAccessDenied: name = "Access denied"; break;
    case Code::kCorruption: name = "Corruption"; break;
    case Code::kInvalidArgument: name = "Invalid argument"; break;
    case Code::kIoError: name = "I/O error"; break;
    case Code::kMismatch: name = "Mismatch"; break;
    case Code::kCancelled: name = "Cancelled"; break;
    case Code::kUnsupported: name = "Unsupported"; break;
  }
  std::string s = name;
  if (!message_.empty()) s += ": " + message_;
  return s;
}

}  // namespace eracuni
