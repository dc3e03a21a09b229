// The attachments block of one envelope, with the same-name rule and the copy of the invoice
// document under the buyer's tax number.
//
// Each attachment record is looked at once, before anything is written: where its file is,
// whether it is there to be sent, and under which name. Only the files that are there go
// into the block, so the envelope never announces a file the bank will not receive.
#include <optional>
#include <string>
#include <vector>

#include "envelope/envelope_forms.h"
#include "envelope/writer_context.h"
#include "framework/cp1250.h"
#include "workdata/fields.h"

namespace eracuni::envelope {

namespace A = workdata::eRACPRIL;
namespace H = workdata::eRACUNI;
using workdata::ClipBoth;
using workdata::ClipRight;

namespace {

constexpr size_t kBaseNameForCopy = 32;

// One attachment record as the envelope uses it; texts windows-1250 unless said otherwise.
struct Entry {
  uint32_t position = 0;  // in key order, from 1
  bool document = false;  // the "XML" attachment that names the invoice document
  bool renamed = false;   // by the same-name rule, for this invoice or an earlier one
  std::string name;       // clipped, after the same-name rule
  std::string folder;     // clipped
  std::string format;     // clipped
  std::string description;
  AttachmentFile file;
  std::optional<RegularFileFacts> facts;  // of the plain file at file.path, when there is one
};

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// A name that stays in its folder: the work data may hold anything, the files it names
// must not move out of their folders or land outside the output folder.
bool StaysInFolder(std::string_view name) {
  return name.find_first_of("/\\") == std::string_view::npos && name != "..";
}

std::string DocumentPath(WriterContext& w, const std::string& name) {
  if (w.written != nullptr) {
    auto it = w.written->find(w.header().U32(H::IDENTRACUN));
    if (it != w.written->end()) return it->second.path;
  }
  return Cp1250ToUtf8(std::string(ClipRight(w.settings.POTDOXMLRACUNOV)) + name);
}

// Where the file is and whether it can go with the envelope, before any rename; the size
// of a file that can.
AttachmentProblem Classify(FileSystem& fs, Entry& e) {
  if (e.name.empty()) return AttachmentProblem::kBlankName;
  if (!e.document && !e.folder.empty() && !IsSeparator(e.folder.back()))
    return AttachmentProblem::kFolderNotReal;
  e.facts = fs.RegularFile(e.file.path);
  if (e.facts) return AttachmentProblem::kNone;
  return fs.Exists(e.file.path) ? AttachmentProblem::kNotRegularFile : AttachmentProblem::kMissing;
}

// A file several invoices name that the same-name rule renamed for an earlier one: every
// record now names it by its new name, and it is never renamed twice.
void FollowEarlierRename(WriterContext& w, Entry& e) {
  for (const RenamedAttachment& r : w.result.renamed) {
    if (r.from != e.file.path) continue;
    e.file.path = r.to;
    const std::string name = r.to.substr(r.to.find_last_of("/\\") + 1);
    e.name = Utf8ToCp1250(name).value_or(e.name);
    e.renamed = true;
  }
}

Entry ReadEntry(WriterContext& w, uint32_t position, bool& document_seen) {
  const workdata::RecordBuffer& a = w.attachment();
  Entry e;
  e.position = position;
  e.format = std::string(ClipRight(a.Text(A::FORMATPRILOGE)));
  e.document = !document_seen && e.format == "XML";
  // The document was written under its trimmed name; any other file is named as stored.
  e.name =
      std::string(e.document ? ClipBoth(a.Text(A::IMEPRILOGE)) : ClipRight(a.Text(A::IMEPRILOGE)));
  e.folder = std::string(ClipRight(a.Text(A::POTDOPRILOGE)));
  e.description = std::string(a.Text(A::OPISPRILOGE));
  document_seen = document_seen || e.document;
  e.file.ident = w.header().U32(H::IDENTRACUN);
  e.file.invoice_number = std::string(w.header().Clipped(H::STEVILKARACUNA));
  e.file.path = e.document ? DocumentPath(w, e.name) : Cp1250ToUtf8(e.folder + e.name);
  FollowEarlierRename(w, e);
  e.file.problem = Classify(w.platform.files, e);
  return e;
}

// "code - text" in windows-1250, as every file error message of this program ends.
std::string ErrorText(const Status& s) {
  if (s.error_code() == 0) return "0 - " + Utf8ToCp1250(s.message()).value_or(s.message());
  const std::string text = SystemErrorText(s.error_code());
  return std::to_string(s.error_code()) + " - " + Utf8ToCp1250(text).value_or(text);
}

void ReportRenameFailure(WriterContext& w, const Status& s) {
  MessageRequest m;
  m.text = " Napaka pri preimenovanju PDF priloge.|| Oznaka: " + ErrorText(s);
  m.caption = " OPOZORILO";
  m.icon = MessageIcon::kInformation;
  m.button_text = "Zapri";
  w.platform.messages.Show(m);
}

// Renames regular files only and never replaces a different file. A PDF that is gone
// while its new name exists was renamed by an earlier run: the new name is then the right
// one. Where names differ only in case (Windows), "r-15.pdf" and "R-15.PDF" are one file,
// which the rename gives its new spelling.
Status RenamePdf(FileSystem& fs, const std::string& from, const std::string& to) {
  const std::optional<RegularFileFacts> source = fs.RegularFile(from);
  const std::optional<RegularFileFacts> target = fs.RegularFile(to);
  const bool has_from = source.has_value();
  const bool has_to = (target || fs.Exists(to)) && !(source && target && source->id == target->id);
  if (!has_from && has_to) return Status::Ok();
  if (has_to) {
    const int code = SystemErrorCode(SystemError::kAlreadyExists);
    return Status::IoError("rename " + from + ": " + SystemErrorText(code), code);
  }
  return fs.RenameFile(from, to);
}

// The same-name rule for the PDF at position 2: it takes the document's base name.
void RenameToXmlBase(WriterContext& w, const std::string& xml_base, Entry& e) {
  if (e.renamed) return;
  // A blank name, a folder that is none, or a folder at the path: nothing to rename.
  if (!e.file.listed() && e.file.problem != AttachmentProblem::kMissing) return;
  const std::string new_name = xml_base + "." + std::string(ClipBoth(e.format));
  if (new_name == e.name) return;
  if (!StaysInFolder(new_name) || !StaysInFolder(e.name)) {
    ReportRenameFailure(
        w, Status::InvalidArgument(Cp1250ToUtf8(new_name) + ": " +
                                   SystemErrorText(SystemErrorCode(SystemError::kInvalidName))));
    return;
  }
  const std::string to = Cp1250ToUtf8(e.folder + new_name);
  if (e.file.problem == AttachmentProblem::kMissing && !w.platform.files.IsRegularFile(to)) return;
  Status s = RenamePdf(w.platform.files, e.file.path, to);
  if (!s.ok()) {
    // The old name stays, so the envelope names the file that is really there.
    ReportRenameFailure(w, s);
    return;
  }
  w.result.renamed.push_back({e.file.path, to});
  e.name = new_name;
  e.file.path = to;
  e.facts = w.platform.files.RegularFile(to);
  // Gone again at once (another program): the envelope does not announce it.
  e.file.problem = e.facts ? AttachmentProblem::kNone : AttachmentProblem::kMissing;
}

void ApplySameNameRule(WriterContext& w, std::vector<Entry>& entries) {
  if (w.settings.ENAKAIMENARACUNA == 0 || entries.size() < 2) return;
  // The base name belongs to this header only: without an "XML" attachment first, nothing
  // is renamed.
  if (entries[0].format != "XML") return;
  const std::string xml_base = BaseName(entries[0].name);
  if (entries[1].format == "PDF" && !xml_base.empty()) RenameToXmlBase(w, xml_base, entries[1]);
}

// Only the invoice document itself is copied: another file under an ".XML" name would lie.
void CopyUnderTaxNumber(WriterContext& w, const Entry& e) {
  if (w.settings.DSVIMENURACUNA == 0 || !e.document || !e.file.listed()) return;
  const std::string tax = TaxNumber(w.header().Text(H::PODATEKPODJETJABY1));
  const std::string base = BaseName(e.name).substr(0, kBaseNameForCopy);
  if (tax.empty() || base.empty()) return;
  if (!StaysInFolder(e.name) || !StaysInFolder(tax)) return;
  const std::string to =
      Cp1250ToUtf8(std::string(ClipRight(w.settings.POTDOXMLRACUNOV)) + base + "_" + tax + ".XML");
  if (w.platform.files.CopyFile(e.file.path, to).ok()) w.result.copies.push_back(to);
}

void WriteAttachment(WriterContext& w, const Entry& e) {
  w.BeginParent("attachment");
  w.Element("filename", Unchanged(e.name));
  if (w.payment() && e.position == 1) CopyUnderTaxNumber(w, e);
  if (e.position > 2 && w.settings.KATERABANKA == 'O' && w.settings.DODAJLOKACIJOPRILOG != 0)
    w.Element("location", Unchanged(e.folder));
  if (w.sizes_channel()) w.Element("size", std::to_string(e.file.size));
  w.Element("type", Unchanged(e.format));
  w.Element("description", Prepared(e.description));
  w.xml.CloseParent();
}

}  // namespace

void WriteAttachments(WriterContext& w) {
  std::vector<Entry> entries;
  bool document_seen = false;
  workdata::WalkAttachments(w.files, [&] {
    entries.push_back(ReadEntry(w, static_cast<uint32_t>(entries.size() + 1), document_seen));
    return true;
  });
  ApplySameNameRule(w, entries);

  uint64_t total_size = 0;
  size_t count = 0;
  for (Entry& e : entries) {
    AttachmentFile& f = e.file;
    if (f.listed()) {
      f.id = e.facts->id;
      if (!w.names.Claim(f.path, f.id)) f.problem = AttachmentProblem::kDuplicateName;
    }
    if (f.listed()) {
      f.size = e.facts->size;
      total_size += f.size;
      ++count;
    }
    w.result.attachments.push_back(f);
  }

  w.BeginParent("attachments");
  if (w.sizes_channel()) {
    w.Element("hash", HashText(w.platform.random));
    w.Element("size", std::to_string(total_size));
  }
  w.Element("count", std::to_string(count));
  for (const Entry& e : entries)
    if (e.file.listed()) WriteAttachment(w, e);
  w.xml.CloseParent();
}

}  // namespace eracuni::envelope
