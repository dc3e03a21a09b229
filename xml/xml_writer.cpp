#include "xml/xml_writer.h"

#include <libxml/xmlwriter.h>
#include <unistd.h>

#include <array>
#include <atomic>

#include "framework/cp1250.h"

namespace eracuni::xml {
namespace {

// Layout: the declaration on the first line, verbatim text before the root on a line of its
// own, then one element per line indented by two blanks per level; an element without
// content is written <Name/>; the file ends with a line break.
constexpr char kIndent[] = "  ";
constexpr size_t kAppendSize = 1 << 16;

std::atomic<unsigned> temp_serial{0};

// ".NAME.<pid>-<n>.tmp" beside the target: same folder, so the final rename stays atomic.
std::string TemporaryPathFor(const std::string& path) {
  size_t slash = path.rfind('/');
  size_t name_at = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, name_at) + "." + path.substr(name_at) + "." + std::to_string(::getpid()) +
         "-" + std::to_string(++temp_serial) + ".tmp";
}

std::string_view DropTrailingBlanks(std::string_view s) {
  size_t end = s.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

// Characters XML 1.0 allows, for those a valid UTF-8 sequence can carry.
bool IsXmlChar(char32_t cp) {
  if (cp < 0x20) return cp == 0x09 || cp == 0x0A || cp == 0x0D;
  return cp != 0xFFFE && cp != 0xFFFF;
}

char32_t DecodeUtf8(std::string_view s, size_t i, size_t n) {
  if (n == 1) return static_cast<unsigned char>(s[i]);
  char32_t cp = static_cast<unsigned char>(s[i]) & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  return cp;
}

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

std::string WellFormedUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    size_t n = Utf8SequenceLength(bytes, i);
    if (n == 0) {  // not UTF-8 here: the byte is a windows-1250 character (all are XML chars)
      out += Cp1250ToUtf8(bytes.substr(i, 1));
      ++i;
      continue;
    }
    if (IsXmlChar(DecodeUtf8(bytes, i, n))) out.append(bytes.substr(i, n));
    i += n;
  }
  return out;
}

struct Entity {
  char c;
  const char* text;
};
// A raw CR would be read back as a line feed; in attribute values tab and LF would also
// become blanks (attribute-value normalisation).
constexpr Entity kTextEntities[] = {{'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'\r', "&#13;"}};
constexpr Entity kAttributeEntities[] = {{'&', "&amp;"},  {'<', "&lt;"},  {'>', "&gt;"},
                                         {'"', "&quot;"}, {'\t', "&#9;"}, {'\n', "&#10;"},
                                         {'\r', "&#13;"}};

// Bytes that every value passes through unchanged: printable ASCII without markup.
constexpr std::array<bool, 256> PlainBytes() {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x7F; ++c) plain[c] = c != '&' && c != '<' && c != '>' && c != '"';
  return plain;
}
constexpr std::array<bool, 256> kPlain = PlainBytes();

bool IsPlain(std::string_view s) {
  for (char c : s)
    if (!kPlain[static_cast<unsigned char>(c)]) return false;
  return true;
}

template <size_t N>
std::string Escape(std::string_view utf8, const Entity (&entities)[N]) {
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    const char* entity = nullptr;
    for (const Entity& e : entities)
      if (e.c == c) entity = e.text;
    if (entity != nullptr)
      out += entity;
    else
      out += c;
  }
  return out;
}

}  // namespace

struct XmlWriter::Impl {
  explicit Impl(FileSystem& fs) : files(fs) {}

  FileSystem& files;
  std::unique_ptr<WritableFile> file;
  xmlTextWriterPtr writer = nullptr;
  std::string final_path;
  std::string temp_path;
  std::string encoding;  // from SetEncoding; kept for the record only
  Status status;         // the first failure since CreateXmlFile
  int open_parents = 0;
  bool start_tag_open = false;  // between CreateParent and AddParent
  std::string pending;          // written bytes not yet appended to the file

  bool Writing() const { return writer != nullptr && status.ok(); }

  void Fail(Status s) {
    if (status.ok()) status = WithContext(s, final_path);
  }
  void Check(int rc, const std::string& what) {
    if (rc < 0) Fail(Status::IoError("the XML writer failed at " + what));
  }
  void Misuse(const std::string& what) { Fail(Status::InvalidArgument(what)); }

  // libxml2's sink. A failing file is recorded and the bytes swallowed: every later call
  // is skipped once a failure is recorded, so libxml2 itself never sees an error.
  // The bytes are gathered into large appends: libxml2 hands them over in small pieces.
  static int Write(void* context, const char* buffer, int len) {
    auto* self = static_cast<Impl*>(context);
    if (self->status.ok() && len > 0) {
      self->pending.append(buffer, static_cast<size_t>(len));
      if (self->pending.size() >= kAppendSize) self->Flush();
    }
    return len;
  }

  void Flush() {
    if (status.ok() && !pending.empty()) {
      Status s = file->Append(pending);
      if (!s.ok()) Fail(s);
    }
    pending.clear();
  }

  void WriteRaw(std::string_view bytes) {
    if (bytes.empty()) return;
    if (xmlTextWriterWriteRawLen(writer, BAD_CAST bytes.data(), static_cast<int>(bytes.size())) < 0)
      Fail(Status::IoError("the XML writer failed at text"));
  }

  // A value as it goes out: well-formed, without trailing blanks, escaped. Most values are
  // plain ASCII and go out as they are.
  template <size_t N>
  void WriteValue(std::string_view value, const Entity (&entities)[N]) {
    if (IsPlain(value)) return WriteRaw(DropTrailingBlanks(value));
    WriteRaw(Escape(DropTrailingBlanks(WellFormedUtf8(value)), entities));
  }

  // Element calls name their element in a failure; the text is only made when one happens.
  void CheckElement(int rc, std::string_view name) {
    if (rc < 0) Fail(Status::IoError("the XML writer failed at element <" + std::string(name) + ">"));
  }

  // Frees libxml2's writer and closes the file; the first failure stays in `status`.
  void Finish() {
    if (writer != nullptr) xmlFreeTextWriter(writer);  // flushes through Write()
    writer = nullptr;
    if (file) {
      Flush();
      Status closed = file->Close();
      if (!closed.ok()) Fail(closed);
      file.reset();
    }
  }

  void RemoveTemporary() {
    if (!temp_path.empty()) files.DeleteFile(temp_path);
    temp_path.clear();
  }

  Status Start(std::string_view version, std::string_view encoding_name) {
    auto created = files.NewWritableFile(temp_path);
    if (!created.ok()) {
      Fail(created.status());
      return status;
    }
    file = std::move(created).value();
    xmlOutputBufferPtr out = xmlOutputBufferCreateIO(&Impl::Write, nullptr, this, nullptr);
    if (out != nullptr) writer = xmlNewTextWriter(out);
    if (writer == nullptr) {
      if (out != nullptr) xmlOutputBufferClose(out);
      Fail(Status::IoError("the XML writer could not be set up"));
      return status;
    }
    xmlTextWriterSetIndent(writer, 1);
    xmlTextWriterSetIndentString(writer, BAD_CAST kIndent);
    std::string v(DropTrailingBlanks(version)), e(DropTrailingBlanks(encoding_name));
    if (!e.empty()) {  // checked first, so libxml2 does not print its own complaint
      xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(e.c_str());
      if (handler == nullptr) {
        Misuse("unsupported encoding \"" + e + "\"");
        return status;
      }
      xmlCharEncCloseFunc(handler);
    }
    if (xmlTextWriterStartDocument(writer, v.empty() ? nullptr : v.c_str(),
                                   e.empty() ? nullptr : e.c_str(), nullptr) < 0)
      Misuse("cannot declare version \"" + v + "\" and encoding \"" + e + "\"");
    return status;
  }
};

XmlWriter::XmlWriter(FileSystem& files) : impl_(std::make_unique<Impl>(files)) {}

XmlWriter::~XmlWriter() {
  if (impl_->writer == nullptr && !impl_->file) return;
  impl_->Misuse("document abandoned");  // stops the final flush from reaching the file
  impl_->Finish();
  impl_->RemoveTemporary();
}

Status XmlWriter::CreateXmlFile(const std::string& path, std::string_view version,
                                std::string_view encoding) {
  if (is_open())
    return Status::InvalidArgument("an XML document is already open: " + impl_->final_path);
  Impl& d = *impl_;
  d.status = Status::Ok();
  d.open_parents = 0;
  d.start_tag_open = false;
  d.encoding.clear();
  d.final_path = path;
  d.temp_path = TemporaryPathFor(path);
  if (d.Start(version, encoding).ok()) return d.status;
  d.Finish();
  d.RemoveTemporary();
  return d.status;
}

void XmlWriter::SetEncoding(std::string_view encoding) {
  if (is_open()) impl_->encoding = std::string(DropTrailingBlanks(encoding));
}

void XmlWriter::AddStringText(std::string_view text) {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  std::string bytes = WellFormedUtf8(text);
  if (d.open_parents == 0) bytes += '\n';  // before the root it stands on a line of its own
  d.WriteRaw(bytes);
}

void XmlWriter::CreateParent(std::string_view name) {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  std::string n(DropTrailingBlanks(name));
  if (n.empty()) return d.Misuse("an element without a name");
  d.CheckElement(xmlTextWriterStartElement(d.writer, BAD_CAST n.c_str()), n);
  ++d.open_parents;
  d.start_tag_open = true;
}

void XmlWriter::CreateAttribute(std::string_view name, std::string_view value) {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  std::string n(DropTrailingBlanks(name));
  if (!d.start_tag_open) return d.Misuse("attribute " + n + " outside a start tag");
  d.Check(xmlTextWriterStartAttribute(d.writer, BAD_CAST n.c_str()), "attribute " + n);
  d.WriteValue(value, kAttributeEntities);
  d.Check(xmlTextWriterEndAttribute(d.writer), "attribute " + n);
}

void XmlWriter::AddParent() {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  if (!d.start_tag_open) return d.Misuse("AddParent without CreateParent");
  d.start_tag_open = false;  // libxml2 ends the start tag with the first child
}

void XmlWriter::AddElement(std::string_view name, std::string_view value) {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  std::string n(DropTrailingBlanks(name));
  if (n.empty()) return d.Misuse("an element without a name");
  d.start_tag_open = false;
  d.CheckElement(xmlTextWriterStartElement(d.writer, BAD_CAST n.c_str()), n);
  d.WriteValue(value, kTextEntities);
  d.CheckElement(xmlTextWriterEndElement(d.writer), n);
}

void XmlWriter::CloseParent() {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  if (d.open_parents == 0) return d.Misuse("CloseParent without an open parent");
  d.Check(xmlTextWriterEndElement(d.writer), "end tag");
  --d.open_parents;
  d.start_tag_open = false;
}

Status XmlWriter::CloseXmlFile() {
  Impl& d = *impl_;
  if (!is_open()) {
    return d.status.ok() ? Status::InvalidArgument("no XML document is open") : d.status;
  }
  if (d.Writing()) {
    d.Check(xmlTextWriterEndDocument(d.writer), "end of document");  // closes open parents
    d.open_parents = 0;
  }
  d.Finish();
  if (d.status.ok()) {
    Status renamed = d.files.RenameFile(d.temp_path, d.final_path);
    if (renamed.ok())
      d.temp_path.clear();
    else
      d.Fail(renamed);
  }
  d.RemoveTemporary();
  return d.status;
}

bool XmlWriter::is_open() const { return impl_->writer != nullptr; }

}  // namespace eracuni::xml
