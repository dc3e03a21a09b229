#include "batch/messages.h"

#include "framework/cp1250.h"
#include "workdata/record_buffer.h"

namespace eracuni::batch {

std::string ToMessageText(std::string_view utf8) {
  if (auto cp = Utf8ToCp1250(utf8)) return *cp;
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = Utf8SequenceLength(utf8, i);
    if (n == 0) n = 1;
    auto one = Utf8ToCp1250(utf8.substr(i, n));
    out += one ? *one : std::string("?");
    i += n;
  }
  return out;
}

std::string ErrorCodeAndText(const Status& s) {
  // The platform's own text for the code, as the system shows it; without a code the
  // failure's own description is all there is.
  std::string text = s.error_code() != 0 ? SystemErrorText(s.error_code()) : s.message();
  return std::to_string(s.error_code()) + " - " + ToMessageText(text);
}

std::string ErrorSuffix(const Status& s) { return "|| Oznaka: " + ErrorCodeAndText(s); }

std::string JournalLine(const MessageRequest& request) {
  return std::string(workdata::ClipBoth(request.caption)) + ": " + request.text;
}

MessageButton RecordingMessageBox::Show(const MessageRequest& request) {
  // Noted first: what the user is shown belongs to the run even when the box never returns.
  if (lines_ != nullptr) lines_->push_back(JournalLine(request));
  return base_.Show(request);
}

void ShowInformation(MessageBox& box, std::string text, std::string caption) {
  MessageRequest r;
  r.text = std::move(text);
  r.caption = std::move(caption);
  r.icon = MessageIcon::kInformation;
  box.Show(r);
}

void ShowWarning(MessageBox& box, std::string text, std::string caption, std::string button_text) {
  MessageRequest r;
  r.text = std::move(text);
  r.caption = std::move(caption);
  r.icon = MessageIcon::kExclamation;
  r.button_text = std::move(button_text);
  box.Show(r);
}

std::string StaleOutputDeleteFailed(std::string_view path, const Status& s) {
  return "Napaka pri brisanju izhodne datoteke ra\xE8una " + std::string(path) + ErrorSuffix(s);
}

std::string OldFileDeleteFailed(std::string_view path, const Status& s) {
  return "Napaka pri brisanju izhodne datoteke " + std::string(path) + ErrorSuffix(s);
}

std::string NoXmlAttachment(std::string_view invoice_number) {
  return " V podatkih prilog ne obstaja ime datoteke eRa\xE8una " + std::string(invoice_number) +
         " v XML obliki || Obdelava bo prekinjena.";
}

std::string UnsafeXmlAttachmentName(std::string_view invoice_number, std::string_view name) {
  return " Ime datoteke eRa\xE8una " + std::string(invoice_number) + " v podatkih prilog (" +
         std::string(name) +
         ") ne sme vsebovati poti ali mape.|| Ra\xE8un bo izpu\x9A\xE8"
         "en, obdelava se nadaljuje.";
}

std::string InvoiceNotWritten(std::string_view path, const Status& s) {
  return "Napaka pri izdelavi datoteke ra\xE8una " + std::string(path) + ErrorSuffix(s);
}

std::string OldDocumentNotDeleted(std::string_view path, const Status& s) {
  return "Stare datoteke " + std::string(path) + " ni bilo mogo\xE8"
         "e pobrisati (Oznaka: " +
         ErrorCodeAndText(s) + ").";
}

std::string EnvelopeNotWritten(std::string_view path, const Status& s) {
  return "Napaka pri izdelavi ovojnice " + std::string(path) + ErrorSuffix(s);
}

std::string SignerNotFound(std::string_view program) {
  return " Programa za podpisovanje " + std::string(program) +
         " ni mogo\xE8"
         "e najti.|| Ra\xE8uni niso podpisani.";
}

std::string SignerNotStarted(std::string_view program, const Status& s) {
  return " Programa za podpisovanje " + std::string(program) +
         " ni mogo\xE8"
         "e zagnati.|| Ra\xE8uni niso podpisani." +
         ErrorSuffix(s);
}

std::string SignerFailed(std::string_view program, int exit_code) {
  return " Program za podpisovanje " + std::string(program) +
         " je kon\xE8"
         "al z napako (izhodna koda " +
         std::to_string(exit_code) + ").|| Ra\xE8uni morda niso podpisani.";
}

std::string ArchiverFailed(std::string_view package_path, int exit_code) {
  return "Napaka pri stiskanju paketa " + std::string(package_path) +
         "|| Paket ni izdelan. Izhodna koda programa: " + std::to_string(exit_code);
}

std::string ArchiverNotFound(std::string_view program) {
  return " Programa za stiskanje " + std::string(program) +
         " ni mogo\xE8"
         "e najti (iskan je bil tudi 7za).|| Na sistemu Debian ga namestite s paketom "
         "p7zip-full.|| Paket ni izdelan.";
}

std::string ArchiverNotStarted(const Status& s) {
  return ErrorCodeAndText(s) + "|| Paket ni izdelan.";
}

std::string PackageMissing(std::string_view package_path) {
  return "Program za stiskanje je kon\xE8"
         "al brez napake, paketa " +
         std::string(package_path) + " pa ni.|| Paket ni izdelan.";
}

std::string OutputFolderUnusable(std::string_view folder, const Status& s) {
  return " Izhodna mapa " + std::string(folder) +
         " ne obstaja ali vanjo ni mogo\xE8"
         "e pisati.|| Nastavite jo v nastavitvah programa. Izdelano ni ni\xE8"
         "esar." +
         (s.ok() ? std::string() : ErrorSuffix(s));
}

std::string NothingWritten(bool package) {
  return std::string(" Noben e-ra\xE8un ni bil izdelan, zato ") +
         (package ? "ovojnica in paket nista izdelana." : "ovojnica ni izdelana.");
}

std::string AttachmentsLeftOut(bool package) {
  return std::string(" Teh prilog ni v ovojnici") + (package ? " in paketu" : "") + ":";
}

void AddLeftOutAttachment(std::string& text, std::string_view invoice_number, std::string_view path,
                          std::string_view why) {
  for (std::string_view piece :
       {std::string_view("|ra\xE8un "), invoice_number, std::string_view(": "), path,
        std::string_view(" ("), why, std::string_view(")")})
    text += piece;
}

std::string AttachmentProblemText(envelope::AttachmentProblem problem) {
  using envelope::AttachmentProblem;
  switch (problem) {
    case AttachmentProblem::kNone:
      return "";
    case AttachmentProblem::kMissing:
      return "datoteka ne obstaja";
    case AttachmentProblem::kBlankName:
      return "ime priloge je prazno";
    case AttachmentProblem::kNotRegularFile:
      return "ni navadna datoteka";
    case AttachmentProblem::kDuplicateName:
      return "v paketu je \x9E"
             "e datoteka s tem imenom";
    case AttachmentProblem::kFolderNotReal:
      return "mapa priloge ni mapa (ne kon\xE8"
             "a z lo\xE8ilom)";
  }
  return "";
}

std::string NotMadeResult(bool package, std::string_view why) {
  return std::string(package ? "Paket ni izdelan: " : "Ovojnica ni izdelana: ") + std::string(why);
}

std::string ReportNotWritten(std::string_view path, const Status& s) {
  return "Poro\xE8ila o izdelavi ni bilo mogo\xE8"
         "e zapisati v datoteko " +
         std::string(path) + ErrorSuffix(s);
}

std::string ReportNotOpened(std::string_view path, const Status& s) {
  return "Poro\xE8ila o izdelavi ni mogo\xE8"
         "e odpreti: " +
         std::string(path) + ErrorSuffix(s);
}

}  // namespace eracuni::batch
