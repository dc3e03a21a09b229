// The invoice loop of a run: one e-SLOG document per header.
#include "batch/messages.h"
#include "batch/names.h"
#include "batch/stages.h"
#include "framework/cp1250.h"

namespace eracuni::batch {
namespace {

using workdata::ClipRight;
namespace eRACUNI = workdata::eRACUNI;
namespace eRACPRIL = workdata::eRACPRIL;

// The name of the header's first attachment of format "XML", or "" when it has none.
std::string FindXmlAttachment(workdata::WorkFiles& files) {
  const workdata::RecordBuffer& a = files.attachments().buffer();
  std::string name;
  workdata::WalkAttachments(files, [&] {
    if (a.Clipped(eRACPRIL::FORMATPRILOGE) != "XML") return true;
    name = a.Clipped(eRACPRIL::IMEPRILOGE);
    return false;
  });
  return name;
}

// Writes the current header's document; true when it was written.
bool WriteInvoice(BatchContext& ctx, WindowState& w, std::string_view number) {
  if (!IsPlainFileName(w.IMEXMLRACUNA)) {
    ShowWarning(ctx.platform.messages, UnsafeXmlAttachmentName(number, w.IMEXMLRACUNA),
                caption::kAttachments);
    return false;
  }
  std::string path = std::string(ClipRight(ctx.settings.POTDOXMLRACUNOV)) + w.IMEXMLRACUNA;
  Status s = ctx.writers.invoice(ctx.settings, ctx.files, ctx.platform.files, w.IMEXMLRACUNA);
  if (!s.ok()) {
    ShowWarning(ctx.platform.messages, InvoiceNotWritten(path, s), caption::kWarning);
    return false;
  }
  ++w.STEVEC;
  if (!w.SEZNAMZAPODPIS.empty()) w.SEZNAMZAPODPIS += ";";
  w.SEZNAMZAPODPIS += path;
  return true;
}

}  // namespace

void RunInvoiceLoop(BatchContext& ctx, WindowState& w) {
  w.SEZNAMZAPODPIS.clear();
  w.STEVEC = 0;
  const workdata::RecordBuffer& header = ctx.files.headers().buffer();
  workdata::WalkHeaders(ctx.files, [&] {
    std::string number(header.Clipped(eRACUNI::STEVILKARACUNA));
    w.IMEXMLRACUNA = FindXmlAttachment(ctx.files);
    if (w.IMEXMLRACUNA.empty()) {
      ShowWarning(ctx.platform.messages, NoXmlAttachment(number), caption::kAttachments);
      return false;
    }
    WriteInvoice(ctx, w, number);
    return true;
  });
}

}  // namespace eracuni::batch
