#include "framework/whole_file.h"

#include <algorithm>
#include <atomic>

#include "framework/cp1250.h"
#include "framework/file_names.h"

namespace eracuni {
namespace {

// Names up to this long are taken by every file system the program meets.
constexpr size_t kShortName = 128;

std::atomic<unsigned> temp_serial{0};

// The producer's bytes reach the file in pieces of about this size.
constexpr size_t kWriteBuffer = 64 * 1024;

// Gathers small writes into kWriteBuffer pieces for the file; keeps the first failure and
// drops every byte after it.
class BufferedFileSink : public ByteSink {
 public:
  explicit BufferedFileSink(WritableFile& file) : file_(file) { buffer_.reserve(kWriteBuffer); }

  Status Write(std::string_view bytes) override {
    if (buffer_.size() + bytes.size() > kWriteBuffer) Flush();
    if (!status_.ok()) return status_;
    if (bytes.size() >= kWriteBuffer)
      status_ = file_.Append(bytes);  // a large piece goes as it is, without a copy
    else
      buffer_ += bytes;
    return status_;
  }

  // Hands the gathered bytes to the file; returns the first failure.
  Status Flush() {
    if (status_.ok() && !buffer_.empty()) status_ = file_.Append(buffer_);
    buffer_.clear();
    return status_;
  }

 private:
  WritableFile& file_;
  std::string buffer_;
  Status status_;
};

}  // namespace

std::string UniqueTemporaryNameBeside(std::string_view path) {
  const size_t name_at = FileNameStart(path);
  const std::string_view name = path.substr(name_at);
  const std::string tail =
      "." + std::to_string(CurrentProcessId()) + "-" + std::to_string(++temp_serial) + ".tmp";
  const size_t room = std::max(name.size(), kShortName);
  const size_t fits = room > tail.size() + 1 ? room - tail.size() - 1 : 0;
  size_t keep = 0;
  while (keep < name.size()) {
    size_t n = std::max<size_t>(1, Utf8SequenceLength(name, keep));
    if (keep + n > fits) break;
    keep += n;
  }
  return std::string(path.substr(0, name_at)) + "." + std::string(name.substr(0, keep)) + tail;
}

std::string TemporaryNameBeside(std::string_view path) {
  size_t name_at = FileNameStart(path);
  std::string_view name = path.substr(name_at);
  size_t dot = name.rfind('.');
  // "NAME.html" -> ".NAME.tmp": the same length.
  std::string_view stem = dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
  return std::string(path.substr(0, name_at)) + "." + std::string(stem) + ".tmp";
}

Status WriteWholeFile(FileSystem& files, const std::string& path,
                      const std::function<Status(ByteSink&)>& produce) {
  const std::string target = files.ResolveLinks(path);  // a link stays, its target is written
  const std::string temp = TemporaryNameBeside(target);
  auto out = files.NewWritableFile(temp);
  if (!out.ok()) return out.status();
  // Before the bytes go in, so a file only its owner may read is never readable by others.
  Status s = files.Exists(target) ? files.CopyModeAndOwner(target, temp) : Status::Ok();
  if (s.ok()) {
    BufferedFileSink sink(**out);
    Status produced = produce(sink);
    s = sink.Flush();  // the sink's failure first: the producer may only echo it
    if (s.ok()) s = produced;
  }
  Status closed = (*out)->Close();
  if (s.ok()) s = closed;
  if (s.ok()) s = files.RenameFile(temp, target);
  if (!s.ok()) files.DeleteFile(temp);
  return s;
}

Status WriteWholeFile(FileSystem& files, const std::string& path, std::string_view bytes) {
  return WriteWholeFile(files, path, [bytes](ByteSink& sink) { return sink.Write(bytes); });
}

}  // namespace eracuni
