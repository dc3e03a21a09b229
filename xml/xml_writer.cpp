#include "xml/xml_writer.h"

#include <libxml/xmlwriter.h>

#include <array>

#include "framework/cp1250.h"
#include "framework/whole_file.h"

namespace eracuni::xml {
namespace {

// Layout: the declaration on the first line, verbatim text before the root on a line of its
// own, then one element per line indented by two blanks per level; an element without
// content is written <Name/>; the file ends with a line break.
// libxml2's own indentation writes one piece per level; the line breaks and blanks are
// written here in one piece instead (libxml2 then only closes start tags and writes tags).
constexpr size_t kIndentWidth = 2;
constexpr size_t kAppendSize = 1 << 16;

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

// ASCII bytes that pass through WellFormedUtf8 as they are.
constexpr std::array<bool, 256> AsciiXmlBytes() {
  std::array<bool, 256> ok{};
  for (int c = 0x20; c < 0x80; ++c) ok[c] = true;
  ok['\t'] = ok['\n'] = ok['\r'] = true;
  return ok;
}
constexpr std::array<bool, 256> kAsciiXml = AsciiXmlBytes();

// Appends the character at bytes[i] (not plain ASCII) as it goes out; returns its length.
size_t AppendCharacter(std::string_view bytes, size_t i, std::string& out) {
  size_t n = Utf8SequenceLength(bytes, i);
  if (n == 0) {  // not UTF-8 here: the byte is a windows-1250 character (all are XML chars)
    out += Cp1250ToUtf8(bytes.substr(i, 1));
    return 1;
  }
  if (IsXmlChar(DecodeUtf8(bytes, i, n))) out.append(bytes.substr(i, n));
  return n;
}

std::string WellFormedUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 8);
  for (size_t i = 0; i < bytes.size();) {
    size_t run = i;
    while (run < bytes.size() && kAsciiXml[static_cast<unsigned char>(bytes[run])]) ++run;
    out.append(bytes.substr(i, run - i));
    i = run < bytes.size() ? run + AppendCharacter(bytes, run, out) : run;
  }
  return out;
}

// A raw CR would be read back as a line feed; in attribute values tab and LF would also
// become blanks (attribute-value normalisation).
using EntityTable = std::array<const char*, 256>;
constexpr EntityTable TextEntities() {
  EntityTable t{};
  t['&'] = "&amp;";
  t['<'] = "&lt;";
  t['>'] = "&gt;";
  t['\r'] = "&#13;";
  return t;
}
constexpr EntityTable AttributeEntities() {
  EntityTable t = TextEntities();
  t['"'] = "&quot;";
  t['\t'] = "&#9;";
  t['\n'] = "&#10;";
  return t;
}
constexpr EntityTable kTextEntities = TextEntities();
constexpr EntityTable kAttributeEntities = AttributeEntities();

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

void AppendEscaped(std::string_view utf8, const EntityTable& entities, std::string& out) {
  for (size_t i = 0; i < utf8.size();) {
    size_t run = i;
    while (run < utf8.size() && entities[static_cast<unsigned char>(utf8[run])] == nullptr) ++run;
    out.append(utf8.substr(i, run - i));
    if (run < utf8.size()) out += entities[static_cast<unsigned char>(utf8[run])];
    i = run + 1;
  }
}

// A value as it goes out: well-formed, without trailing blanks, escaped. Most values are
// plain ASCII and go out as they are.
void AppendValue(std::string_view value, const EntityTable& entities, std::string& out) {
  if (IsPlain(value)) {
    out.append(DropTrailingBlanks(value));
    return;
  }
  AppendEscaped(DropTrailingBlanks(WellFormedUtf8(value)), entities, out);
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
  bool parent_empty = false;    // the innermost open parent has no content yet
  bool line_open = false;       // the last bytes written do not end a line
  std::string pending;          // written bytes not yet appended to the file
  std::string name;             // the current element's name, NUL-terminated for libxml2
  std::string raw;              // bytes for libxml2 not handed over yet (see FlushRaw)
  std::string attribute;        // an attribute value as it goes out

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

  // Line breaks, indentation and whole elements without children are gathered in `raw`
  // and handed to libxml2 in large pieces, just before its next call: libxml2's cost is
  // per call, and most elements are leaves.
  void FlushRaw() {
    WriteRaw(raw);
    raw.clear();
  }

  // A new line indented to `depth`, before a tag that must start a line.
  void StartLine(int depth) {
    if (line_open) raw += '\n';
    raw.append(static_cast<size_t>(depth) * kIndentWidth, ' ');
  }

  void WriteLeaf(std::string_view element, std::string_view value) {
    StartLine(open_parents);
    raw += '<';
    raw.append(element);
    size_t tag_end = raw.size();
    raw += '>';
    AppendValue(value, kTextEntities, raw);
    if (raw.size() == tag_end + 1) {
      raw.replace(tag_end, 1, "/>");
    } else {
      raw += "</";
      raw.append(element);
      raw += '>';
    }
    line_open = true;
    if (raw.size() >= kAppendSize) FlushRaw();
  }

  void StartTag(std::string_view element) {
    StartLine(open_parents);
    FlushRaw();
    CheckElement(xmlTextWriterStartElement(writer, BAD_CAST element.data()), element);
    line_open = true;
  }

  // The end tag of the innermost open parent: on a line of its own after children,
  // "<Name/>" when it has none.
  void EndParent() {
    --open_parents;
    if (!parent_empty) StartLine(open_parents);
    FlushRaw();
    Check(xmlTextWriterEndElement(writer), "end tag");
    parent_empty = false;
    start_tag_open = false;
  }

  // The element name without trailing blanks; false (and a failure) for a blank one.
  bool TakeName(std::string_view raw) {
    name.assign(DropTrailingBlanks(raw));
    if (name.empty()) Misuse("an element without a name");
    return !name.empty();
  }

  // An attribute's value, between libxml2's StartAttribute and EndAttribute.
  void WriteValue(std::string_view value, const EntityTable& entities) {
    attribute.clear();
    AppendValue(value, entities, attribute);
    WriteRaw(attribute);
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
  d.parent_empty = false;
  d.line_open = false;  // the declaration ends its line
  d.encoding.clear();
  d.raw.clear();
  d.final_path = path;
  d.temp_path = UniqueTemporaryNameBeside(path);  // same folder: the rename stays atomic
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
  if (d.open_parents == 0) {  // outside the root it stands on a line of its own
    if (d.line_open) bytes.insert(bytes.begin(), '\n');
    bytes += '\n';
    d.line_open = false;
  } else if (!bytes.empty()) {
    d.parent_empty = false;
  }
  d.start_tag_open = false;
  d.FlushRaw();
  d.WriteRaw(bytes);
}

void XmlWriter::CreateParent(std::string_view name) {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  if (!d.TakeName(name)) return;
  d.StartTag(d.name);
  ++d.open_parents;
  d.start_tag_open = true;
  d.parent_empty = true;
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
  if (!d.TakeName(name)) return;
  d.start_tag_open = false;
  d.parent_empty = false;
  d.WriteLeaf(d.name, value);
}

void XmlWriter::CloseParent() {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  if (d.open_parents == 0) return d.Misuse("CloseParent without an open parent");
  d.EndParent();
}

Status XmlWriter::CloseXmlFile() {
  Impl& d = *impl_;
  if (!is_open()) {
    return d.status.ok() ? Status::InvalidArgument("no XML document is open") : d.status;
  }
  while (d.Writing() && d.open_parents > 0) d.EndParent();
  if (d.Writing()) d.FlushRaw();
  if (d.Writing()) d.Check(xmlTextWriterEndDocument(d.writer), "end of document");
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
