#include "xml/xml_writer.h"

#include "framework/whole_file.h"
#include "xml/xml_stream.h"

namespace eracuni::xml {
namespace {

Status WithContext(const Status& s, const std::string& prefix) {
  std::string msg = prefix + ": " + s.message();
  switch (s.code()) {
    case Status::Code::kOk:
      return s;
    case Status::Code::kNotFound:
      return Status::NotFound(msg, s.error_code());
    case Status::Code::kAccessDenied:
      return Status::AccessDenied(msg, s.error_code());
    case Status::Code::kInvalidArgument:
      return Status::InvalidArgument(msg);
    case Status::Code::kCorruption:
      return Status::Corruption(msg);
    case Status::Code::kMismatch:
      return Status::Mismatch(msg);
    case Status::Code::kCancelled:
      return Status::Cancelled(msg);
    case Status::Code::kUnsupported:
      return Status::Unsupported(msg);
    case Status::Code::kIoError:
      break;
  }
  return Status::IoError(msg, s.error_code());
}

// The document's file as the stream's sink.
class FileSink : public XmlSink {
 public:
  Status Write(std::string_view bytes) override { return file->Append(bytes); }
  std::unique_ptr<WritableFile> file;
};

}  // namespace

struct XmlWriter::Impl {
  explicit Impl(FileSystem& fs) : files(fs) {}

  FileSystem& files;
  FileSink sink;
  XmlStream stream{sink};
  std::string final_path;
  std::string temp_path;
  std::string encoding;  // from SetEncoding; kept for the record only
  Status status;         // the first failure since CreateXmlFile, naming the document

  void Fail(const Status& s) {
    if (status.ok()) status = WithContext(s, final_path);
  }

  // Closes the file; the first failure stays in `status`.
  void CloseFile(bool sync) {
    if (!sink.file) return;
    Status closed = sync ? sink.file->Close() : sink.file->CloseWithoutSync();
    if (!closed.ok()) Fail(closed);
    sink.file.reset();
  }

  void RemoveTemporary() {
    if (!temp_path.empty()) files.DeleteFile(temp_path);
    temp_path.clear();
  }

  // The temporary file beside `final_path`; false (and the failure kept) when it cannot be made.
  bool OpenTemporary() {
    temp_path = UniqueTemporaryNameBeside(final_path);  // same folder: the rename stays atomic
    auto created = files.NewWritableFile(temp_path);
    if (!created.ok()) {
      Fail(created.status());
      temp_path.clear();
      return false;
    }
    sink.file = std::move(created).value();
    return true;
  }

  // Closes with a wait for the disk and, when nothing failed, renames into place; what
  // failed leaves no temporary file.
  void Commit() {
    CloseFile(true);
    if (status.ok()) {
      Status renamed = files.RenameFile(temp_path, final_path);
      if (renamed.ok())
        temp_path.clear();
      else
        Fail(renamed);
    }
    RemoveTemporary();
  }
};

XmlWriter::XmlWriter(FileSystem& files)
    : impl_(std::make_unique<Impl>(files)), stream_(&impl_->stream) {}

XmlWriter::~XmlWriter() {
  if (!is_open()) return;
  impl_->stream.Abandon();
  impl_->CloseFile(false);
  impl_->RemoveTemporary();
}

Status XmlWriter::CreateXmlFile(const std::string& path, std::string_view version,
                                std::string_view encoding) {
  if (is_open())
    return Status::InvalidArgument("an XML document is already open: " + impl_->final_path);
  Impl& d = *impl_;
  d.status = Status::Ok();
  d.encoding.clear();
  d.final_path = path;
  if (Status started = d.stream.Start(version, encoding); !started.ok()) {
    d.Fail(started);
    return d.status;
  }
  if (!d.OpenTemporary()) d.stream.Abandon();
  return d.status;
}

void XmlWriter::SetEncoding(std::string_view encoding) {
  if (!is_open()) return;
  impl_->encoding.assign(encoding);
  impl_->encoding.erase(impl_->encoding.find_last_not_of(' ') + 1);  // trailing blanks
}

void XmlWriter::AddStringText(std::string_view text) { impl_->stream.AddStringText(text); }
void XmlWriter::CreateParent(std::string_view name) { impl_->stream.CreateParent(name); }
void XmlWriter::CreateAttribute(std::string_view name, std::string_view value) {
  impl_->stream.CreateAttribute(name, value);
}
void XmlWriter::AddParent() { impl_->stream.AddParent(); }
void XmlWriter::AddElement(std::string_view name, std::string_view value) {
  impl_->stream.AddElement(name, value);
}


Status XmlWriter::CloseXmlFile() {
  Impl& d = *impl_;
  if (!is_open()) {
    return d.status.ok() ? Status::InvalidArgument("no XML document is open") : d.status;
  }
  if (Status written = d.stream.Finish(); !written.ok()) d.Fail(written);
  d.Commit();
  return d.status;
}

Status WriteRenderedDocument(FileSystem& files, const std::string& path,
                             const std::vector<std::string_view>& pieces) {
  XmlWriter::Impl d(files);
  d.final_path = path;
  if (!d.OpenTemporary()) return d.status;
  for (std::string_view piece : pieces) {
    if (Status s = d.sink.Write(piece); !s.ok()) {
      d.Fail(s);
      break;
    }
  }
  d.Commit();
  return d.status;
}

bool XmlWriter::is_open() const { return impl_->sink.file != nullptr; }

}  // namespace eracuni::xml
