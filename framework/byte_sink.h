// ByteSink: where a writer that makes a file front to back hands its bytes.
//
// One method, called with the next bytes in order; a failure is final for the writer. XML
// documents are streamed into one (xml_stream.h), the files WriteWholeFile replaces are
// produced into one (whole_file.h), and a StringSink keeps the bytes in memory for a caller
// that needs them whole. The sink is the caller's and outlives the writer.
#pragma once

#include <string>
#include <string_view>

#include "framework/status.h"

namespace eracuni {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // The next bytes, in order.
  virtual Status Write(std::string_view bytes) = 0;
};

// The bytes gathered in one string.
class StringSink : public ByteSink {
 public:
  Status Write(std::string_view bytes) override {
    bytes_ += bytes;
    return Status::Ok();
  }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

}  // namespace eracuni
