// The completion of a run: signer, envelope name, envelope, package, result values, report.
#include "batch/commands.h"
#include "batch/messages.h"
#include "batch/names.h"
#include "batch/stages.h"
#include "framework/cp1250.h"

namespace eracuni::batch {

using workdata::ClipRight;

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

envelope::EnvelopeResult WriteEnvelope(BatchContext& ctx, const WindowState& w) {
  // The verdict of the document written last decides the variant for the whole run.
  auto& writer = ctx.settings.DOBROPISBREMEPIS == 1 ? ctx.writers.plain_envelope
                                                    : ctx.writers.payment_envelope;
  envelope::EnvelopeResult r =
      writer(ctx.settings, ctx.files, ctx.platform, Cp1250ToUtf8(w.DATOTEKAOVOJNICE));
  if (!r.status.ok()) {
    ShowWarning(ctx.platform.messages, EnvelopeNotWritten(w.DATOTEKAOVOJNICE, r.status),
                caption::kWarning);
  }
  return r;
}

void SetResultValues(const settings::Settings& s, WindowState& w) {
  std::string folder(ClipRight(s.POTDOXMLRACUNOV));
  w.MESTO2 = CutTo(folder, 255);
  if (ChannelHasPackage(s.KATERABANKA)) {
    w.IZHOD2 = CutTo(w.IMEPAKETA + ".ZIP", 255);
  } else {
    std::string_view name = w.DATOTEKAOVOJNICE;
    if (name.substr(0, folder.size()) == folder) name.remove_prefix(folder.size());
    w.IZHOD2 = CutTo(name, 255);
  }
}

void CompleteRun(BatchContext& ctx, WindowState& w, std::vector<std::string>& log) {
  if (ctx.settings.ROCNOEPODPISOVANJE != 0) RunSigner(ctx, w, log);
  NameEnvelope(ctx, w);
  envelope::EnvelopeResult envelope = WriteEnvelope(ctx, w);
  if (ChannelHasPackage(ctx.settings.KATERABANKA)) IzdelajPaket(ctx, w, envelope, log);
  SetResultValues(ctx.settings, w);
  WriteRunReport(ctx, w);
}

}  // namespace eracuni::batch
