// The attachments block of one envelope, with the same-name rule and the copy of the invoice
// document under the buyer's tax number.
#include <optional>
#include <string>

#include "envelope/envelope_forms.h"
#include "envelope/file_size.h"
#include "envelope/writer_context.h"
#include "framework/cp1250.h"
#include "workdata/fields.h"

namespace eracuni::envelope {

namespace A = workdata::eRACPRIL;
using workdata::ClipBoth;
using workdata::ClipRight;

namespace {

constexpr size_t kBaseNameForCopy = 32;

// What the same-name rule decided for one header. The base name belongs to this header
// only: a header without an "XML" attachment first renames nothing.
struct SameName {
  std::string xml_base;                 // windows-1250
  std::optional<std::string> pdf_name;  // the name the PDF at position 2 goes by now
};

std::string Folder(WriterContext& w) {
  return std::string(ClipBoth(w.attachment().Text(A::POTDOPRILOGE)));
}
std::string Name(WriterContext& w) {
  return std::string(ClipBoth(w.attachment().Text(A::IMEPRILOGE)));
}
std::string_view Format(WriterContext& w) {
  return ClipRight(w.attachment().Text(A::FORMATPRILOGE));
}
std::string FilePath(WriterContext& w) { return Cp1250ToUtf8(Folder(w) + Name(w)); }

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

// Never replaces a different file. A PDF that is gone while its new name exists was renamed
// by an earlier run: the new name is then the right one.
Status RenamePdf(FileSystem& fs, const std::string& from, const std::string& to) {
  const bool has_from = fs.Exists(from);
  const bool has_to = fs.Exists(to);
  if (!has_from && has_to) return Status::Ok();
  if (has_to) {
    const int code = SystemErrorCode(SystemError::kAlreadyExists);
    return Status::IoError("rename " + from + ": " + SystemErrorText(code), code);
  }
  return fs.RenameFile(from, to);
}

// A name that stays in its folder: the work data may hold anything, the files it names
// must not move out of their folders or land outside the output folder.
bool StaysInFolder(std::string_view name) {
  return name.find_first_of("/\\") == std::string_view::npos && name != "..";
}

void RenameToXmlBase(WriterContext& w, SameName& state) {
  const std::string new_name = state.xml_base + "." + std::string(ClipBoth(Format(w)));
  if (new_name == Name(w)) return;
  if (!StaysInFolder(new_name) || !StaysInFolder(Name(w))) {
    ReportRenameFailure(
        w, Status::InvalidArgument(Cp1250ToUtf8(new_name) + ": " +
                                   SystemErrorText(SystemErrorCode(SystemError::kInvalidName))));
    return;
  }
  const std::string from = FilePath(w);
  const std::string to = Cp1250ToUtf8(Folder(w) + new_name);
  Status s = RenamePdf(w.platform.files, from, to);
  if (!s.ok()) {
    // The old name stays, so the envelope names the file that is really there.
    ReportRenameFailure(w, s);
    return;
  }
  state.pdf_name = new_name;
  w.result.renamed.push_back({from, to});
}

void ApplySameNameRule(WriterContext& w, uint32_t position, SameName& state) {
  if (w.settings.ENAKAIMENARACUNA == 0) return;
  if (position == 1 && Format(w) == "XML")
    state.xml_base = BaseName(w.attachment().Text(A::IMEPRILOGE));
  if (position == 2 && Format(w) == "PDF" && !state.xml_base.empty()) RenameToXmlBase(w, state);
}

void UseCurrentName(WriterContext& w, uint32_t position, const SameName& state) {
  if (position == 2 && state.pdf_name) w.attachment().SetText(A::IMEPRILOGE, *state.pdf_name);
}

// Only the invoice document itself is copied: another file under an ".XML" name would lie.
void CopyUnderTaxNumber(WriterContext& w) {
  if (w.settings.DSVIMENURACUNA == 0 || Format(w) != "XML") return;
  const std::string tax = TaxNumber(w.header().Text(workdata::eRACUNI::PODATEKPODJETJABY1));
  const std::string base = BaseName(Name(w)).substr(0, kBaseNameForCopy);
  if (tax.empty() || base.empty()) return;
  if (!StaysInFolder(Name(w)) || !StaysInFolder(tax)) return;
  const std::string folder(ClipRight(w.settings.POTDOXMLRACUNOV));
  const std::string from = Cp1250ToUtf8(folder + Name(w));
  const std::string to = Cp1250ToUtf8(folder + base + "_" + tax + ".XML");
  if (w.platform.files.CopyFile(from, to).ok()) w.result.copies.push_back(to);
}

void WriteAttachment(WriterContext& w, uint32_t position) {
  w.BeginParent("attachment");
  w.Element("filename", Unchanged(w.attachment().Text(A::IMEPRILOGE)));
  if (w.payment() && position == 1) CopyUnderTaxNumber(w);
  if (position > 2 && w.settings.KATERABANKA == 'O' && w.settings.DODAJLOKACIJOPRILOG != 0)
    w.Element("location", Unchanged(w.attachment().Text(A::POTDOPRILOGE)));
  if (w.sizes_channel()) w.Element("size", VuFileSize(w.platform.files, FilePath(w)));
  w.Element("type", Unchanged(Format(w)));
  w.Element("description", Prepared(w.attachment().Text(A::OPISPRILOGE)));
  w.xml.CloseParent();
}

}  // namespace

void WriteAttachments(WriterContext& w) {
  SameName state;
  uint32_t position = 0;
  uint64_t total_size = 0;
  const size_t count = workdata::WalkAttachments(w.files, [&] {
    ApplySameNameRule(w, ++position, state);
    UseCurrentName(w, position, state);
    total_size += FileSizeOrZero(w.platform.files, FilePath(w));
    return true;
  });

  w.BeginParent("attachments");
  if (w.sizes_channel()) {
    w.Element("hash", HashText(w.platform.random));
    w.Element("size", std::to_string(total_size));
  }
  w.Element("count", std::to_string(count));
  position = 0;
  workdata::WalkAttachments(w.files, [&] {
    UseCurrentName(w, ++position, state);
    WriteAttachment(w, position);
    return true;
  });
  w.xml.CloseParent();
}

}  // namespace eracuni::envelope
