// The completion of a run: signer, envelope name, envelope, package, result values, report.
//
// What goes to the bank is made only from what the run really wrote: no document, no
// envelope; no envelope, no package. Each stage records in the journal what it made.
#include "batch/commands.h"
#include "batch/headless.h"
#include "batch/messages.h"
#include "batch/names.h"
#include "batch/stages.h"
#include "framework/cp1250.h"

namespace eracuni::batch {

using workdata::ClipRight;

namespace {

constexpr const char* kWriteCheckName = ".eracuni-pisanje.tmp";

// Whether a file can be made in the folder: the one sure test is to make one.
Status TryWriting(FileSystem& fs, const std::string& folder) {
  if (!fs.IsDirectory(folder)) return Status::NotFound("no folder " + folder, 2);
  const std::string probe = folder + kWriteCheckName;
  auto f = fs.NewWritableFile(probe);
  if (!f.ok()) return f.status();
  Status s = (*f)->CloseWithoutSync();
  Status d = fs.DeleteFile(probe);
  return s.ok() ? d : s;
}

void RecordEnvelope(FileSystem& fs, const envelope::EnvelopeResult& r, WindowState& w) {
  RunJournal& j = w.journal;
  j.envelope_path = w.DATOTEKAOVOJNICE;
  j.envelope_written = r.status.ok() && !r.files.empty();
  for (const std::string& f : r.files) {
    j.envelope_files.push_back(ToMessageText(f));
    Result<uint64_t> size = fs.FileSize(f);
    if (size.ok()) j.envelope_size += *size;
  }
  j.attachments.reserve(j.attachments.size() + r.attachments.size());  // one per file: no spare
  for (const envelope::AttachmentFile& a : r.attachments) {
    AttachmentOutcome o;
    o.invoice_number = a.invoice_number;
    o.path = ToMessageText(a.path);
    o.present = a.listed();
    o.size = a.size;
    o.problem = AttachmentProblemText(a.problem);
    j.attachments.push_back(std::move(o));
  }
}

}  // namespace

bool CheckOutputFolder(BatchContext& ctx, WindowState& w) {
  const std::string folder(ClipRight(ctx.settings.POTDOXMLRACUNOV));
  w.journal.output_folder = folder;
  Status s = TryWriting(ctx.platform.files, Cp1250ToUtf8(folder));
  if (s.ok()) return true;
  ShowWarning(ctx.platform.messages, OutputFolderUnusable(folder, s), caption::kWarningBlank);
  w.journal.package_problem = "izhodna mapa " + folder +
                              " ne obstaja ali vanjo ni mogo\xE8"
                              "e pisati";
  return false;
}

void RunSigner(BatchContext& ctx, const WindowState& w, std::vector<std::string>& log) {
  ProgramCommand cmd = SignerCommand(w.SEZNAMZAPODPIS);
  MessageBox& box = ctx.platform.messages;
  std::string program = ctx.platform.programs.FindProgram(cmd.program);
  if (program.empty()) {
    ShowWarning(box, SignerNotFound(kSignerProgram), caption::kWarning);
    return;
  }
  log.push_back(cmd.command_line);
  Result<int> rc = ctx.platform.programs.Run(program, cmd.args);
  if (!rc.ok()) {
    ShowWarning(box, SignerNotStarted(kSignerProgram, rc.status()), caption::kWarning);
  } else if (*rc != 0) {
    ShowWarning(box, SignerFailed(kSignerProgram, *rc), caption::kWarning);
  }
}

void NameEnvelope(BatchContext& ctx, WindowState& w) {
  w.DATOTEKAOVOJNICE = EnvelopePath(ctx.settings.KATERABANKA, ctx.settings.POTDOXMLRACUNOV,
                                    w.DORACUNA, ctx.platform.clock.Now());
  Status s = ctx.platform.files.DeleteFile(Cp1250ToUtf8(w.DATOTEKAOVOJNICE));
  if (s.ok() || s.error_code() == 2) return;
  ShowWarning(ctx.platform.messages, OldFileDeleteFailed(w.DATOTEKAOVOJNICE, s), caption::kWarning);
}

envelope::EnvelopeResult WriteEnvelope(BatchContext& ctx, WindowState& w) {
  // The verdict of the document written last decides the variant for the whole run.
  auto& writer = ctx.settings.DOBROPISBREMEPIS == 1 ? ctx.writers.plain_envelope
                                                    : ctx.writers.payment_envelope;
  const envelope::WrittenDocuments written = WrittenDocuments(w.journal);
  envelope::EnvelopeResult r =
      writer(ctx.settings, ctx.files, ctx.platform, Cp1250ToUtf8(w.DATOTEKAOVOJNICE), &written);
  if (!r.status.ok()) {
    std::string text = EnvelopeNotWritten(w.DATOTEKAOVOJNICE, r.status);
    if (ChannelHasPackage(ctx.settings.KATERABANKA)) text += "|| Paket ni izdelan.";
    ShowWarning(ctx.platform.messages, text, caption::kWarning);
  }
  RecordEnvelope(ctx.platform.files, r, w);
  return r;
}

void ReportLeftOutAttachments(BatchContext& ctx, const envelope::EnvelopeResult& envelope) {
  std::string text = AttachmentsLeftOut(ChannelHasPackage(ctx.settings.KATERABANKA));
  const size_t head = text.size();
  for (const envelope::AttachmentFile& a : envelope.attachments)
    if (!a.listed())
      AddLeftOutAttachment(text, a.invoice_number, ToMessageText(a.path),
                           AttachmentProblemText(a.problem));
  if (text.size() == head) return;
  ShowWarning(ctx.platform.messages, std::move(text), caption::kAttachments);
}

void SetResultValues(const settings::Settings& s, WindowState& w) {
  std::string folder(ClipRight(s.POTDOXMLRACUNOV));
  w.MESTO2 = CutTo(folder, 255);
  const bool package = ChannelHasPackage(s.KATERABANKA);
  if (!ResultMade(w)) {
    w.IZHOD2 = CutTo(NotMadeResult(package, w.journal.package_problem), 255);
  } else if (package) {
    w.IZHOD2 = CutTo(w.IMEPAKETA + ".ZIP", 255);
  } else {
    std::string_view name = w.DATOTEKAOVOJNICE;
    if (name.substr(0, folder.size()) == folder) name.remove_prefix(folder.size());
    w.IZHOD2 = CutTo(name, 255);
  }
}

void CompleteRun(BatchContext& ctx, WindowState& w, std::vector<std::string>& log) {
  const bool package = ChannelHasPackage(ctx.settings.KATERABANKA);
  if (w.SEZNAMZAPODPIS.empty()) {
    // No document: an envelope would announce nothing, a package hold only leftovers. An
    // envelope of that name from an earlier run goes all the same.
    NameEnvelope(ctx, w);
    ShowWarning(ctx.platform.messages, NothingWritten(package), caption::kWarningBlank);
    w.journal.package_problem = "noben e-ra\xE8un ni bil izdelan";
  } else {
    if (ctx.settings.ROCNOEPODPISOVANJE != 0) RunSigner(ctx, w, log);
    NameEnvelope(ctx, w);
    envelope::EnvelopeResult envelope = WriteEnvelope(ctx, w);
    ReportLeftOutAttachments(ctx, envelope);
    if (!w.journal.envelope_written)
      w.journal.package_problem = "ovojnica ni izdelana";
    else if (package)
      IzdelajPaket(ctx, w, envelope, log);
  }
  SetResultValues(ctx.settings, w);
  WriteRunReport(ctx, w);
}

}  // namespace eracuni::batch
