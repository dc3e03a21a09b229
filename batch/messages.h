// The batch run's messages: texts, captions, and the helpers that show them.
//
// Texts are windows-1250 bytes; "|" starts a new line. Every message has a single button.
// File errors end in "|| Oznaka: " & code & " - " & the platform's text for the code.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "envelope/envelope.h"

#include "framework/platform.h"
#include "framework/status.h"

namespace eracuni::batch {

namespace caption {
inline constexpr const char* kInformation = "INFORMACIJA";
inline constexpr const char* kWarningBlank = " OPOZORILO";
inline constexpr const char* kWarning = "OPOZORILO";
inline constexpr const char* kAttachments = " NAPAKA v eRACPRIL.TPS";
inline constexpr const char* kArchiver = "7za STISKANJE";
}  // namespace caption

namespace text {
inline constexpr const char* kNoInvoices =
    " Ni nobenega ra\xE8una za izdelavo e-ra\xE8unov v .XML obliki !|| Morda nimate "
    "dolo\xE8"
    "enih poti v nastavitvah programa ...";
inline constexpr const char* kSetFoldersFirst =
    " Najprej dolo\xE8ite poti do vhodnih in izhodnih podatkov e-ra\xE8unov!";
inline constexpr const char* kNoWorkData = " Delovni podatki e-Ra\xE8unov ne obstajajo !";
inline constexpr const char* kFolderMissing =
    " Verjetno nimate dolo\xE8"
    "enih poti v nastavitvah programa ...";
inline constexpr const char* kOkLabel = "V redu";
}  // namespace text

// "code - text" of a failed platform operation, windows-1250.
std::string ErrorCodeAndText(const Status& s);
// "|| Oznaka: code - text".
std::string ErrorSuffix(const Status& s);
// A UTF-8 text (a path, a platform message) as windows-1250 for a message; characters the
// code page lacks become "?".
std::string ToMessageText(std::string_view utf8);

// One message as the run journal keeps it: "CAPTION: text", the caption without its outer
// blanks, windows-1250, "|" still starting each new line.
std::string JournalLine(const MessageRequest& request);

// Shows every message through `base` unchanged and, while it records, notes its JournalLine.
// Installed as the platform's message box, it also hears the error manager's messages.
class RecordingMessageBox : public MessageBox {
 public:
  explicit RecordingMessageBox(MessageBox& base) : base_(base) {}
  // Notes every message in `lines` from now on; nullptr stops.
  void RecordInto(std::vector<std::string>* lines) { lines_ = lines; }
  MessageButton Show(const MessageRequest& request) override;

 private:
  MessageBox& base_;
  std::vector<std::string>* lines_ = nullptr;
};

void ShowInformation(MessageBox& box, std::string text, std::string caption);
void ShowWarning(MessageBox& box, std::string text, std::string caption,
                 std::string button_text = {});

// Messages the run composes.
std::string StaleOutputDeleteFailed(std::string_view path, const Status& s);
std::string OldFileDeleteFailed(std::string_view path, const Status& s);
std::string NoXmlAttachment(std::string_view invoice_number);
std::string UnsafeXmlAttachmentName(std::string_view invoice_number, std::string_view name);
std::string InvoiceNotWritten(std::string_view path, const Status& s);
// One line of a refusal's message: the old document of that name is still there.
std::string OldDocumentNotDeleted(std::string_view path, const Status& s);
std::string EnvelopeNotWritten(std::string_view path, const Status& s);
std::string SignerNotFound(std::string_view program);
std::string SignerNotStarted(std::string_view program, const Status& s);
std::string SignerFailed(std::string_view program, int exit_code);
std::string ArchiverFailed(std::string_view package_path, int exit_code);
std::string ArchiverNotFound(std::string_view program);
std::string ArchiverNotStarted(const Status& s);
std::string PackageMissing(std::string_view package_path);
std::string OutputFolderUnusable(std::string_view folder, const Status& s);
std::string NothingWritten(bool package);
// The attachments left out of the envelope: this head, then a line each, "račun N: path
// (why)", that the caller appends with AddLeftOutAttachment (thousands of lines at most
// once in memory).
std::string AttachmentsLeftOut(bool package);
void AddLeftOutAttachment(std::string& text, std::string_view invoice_number, std::string_view path,
                          std::string_view why);
// Why an attachment was left out, for the message and the journal.
std::string AttachmentProblemText(envelope::AttachmentProblem problem);

// The result line when nothing is there to be sent: "Paket ni izdelan: <why>" (the
// envelope's on channels without a package).
std::string NotMadeResult(bool package, std::string_view why);
std::string ReportNotWritten(std::string_view path, const Status& s);
std::string ReportNotOpened(std::string_view path, const Status& s);

}  // namespace eracuni::batch
