// The invoice loop of a run: one e-SLOG document per header.
#include "batch/messages.h"
#include "batch/names.h"
#include "batch/stages.h"
#include "framework/cp1250.h"
#include "framework/group_commit.h"
#include "settings/ini_settings.h"

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

// Documents are written through one GroupCommitFileSystem: each is complete on the disk
// before its name appears, with one wait for the disk per group instead of one per file.
// A group is committed when it is this large, and at the end of the loop.
constexpr size_t kGroupDocuments = 256;
constexpr uint64_t kGroupBytes = 16u << 20;

struct WrittenDocument {
  std::string path;
  size_t first_rename, end_rename;  // the renames it asked for in its group
};

class InvoiceLoop {
 public:
  InvoiceLoop(BatchContext& ctx, WindowState& w) : ctx_(ctx), w_(w), documents_(ctx.platform.files) {}

  // Writes the current header's document.
  void Write(std::string_view number) {
    if (!IsPlainFileName(w_.IMEXMLRACUNA)) {
      ShowWarning(ctx_.platform.messages, UnsafeXmlAttachmentName(number, w_.IMEXMLRACUNA),
                  caption::kAttachments);
      return;
    }
    std::string path = std::string(ClipRight(ctx_.settings.POTDOXMLRACUNOV)) + w_.IMEXMLRACUNA;
    size_t first = documents_.held();
    Status s;
    std::vector<std::string> warnings;
    if (settings::SelectsEslog20(ctx_.settings)) {
      eslog20::DocumentOutcome o =
          ctx_.writers.invoice20(ctx_.settings, ctx_.files, documents_, w_.IMEXMLRACUNA);
      if (o.refused()) return Refuse(number, path, std::move(o.refusals));
      s = o.status;
      warnings = std::move(o.warnings);
    } else {
      s = ctx_.writers.invoice(ctx_.settings, ctx_.files, documents_, w_.IMEXMLRACUNA);
    }
    if (!s.ok()) {
      ShowWarning(ctx_.platform.messages, InvoiceNotWritten(path, s), caption::kWarning);
      return;
    }
    ++w_.STEVEC;
    if (!warnings.empty()) {
      InvoiceOutcome row;
      row.number = std::string(number);
      row.document = path;
      row.status = InvoiceStatus::kWrittenWithWarnings;
      row.reasons = std::move(warnings);
      w_.journal.invoices.push_back(std::move(row));
    }
    written_.push_back({std::move(path), first, documents_.held()});
    if (documents_.held() >= kGroupDocuments || documents_.held_bytes() >= kGroupBytes) Commit();
  }

  // An invoice the 2.0 document cannot express: no file under its name (one left by an
  // earlier run goes, one written earlier in this run stays), one message with every reason,
  // not counted, not signed, and recorded so the envelope and the package leave it out.
  void Refuse(std::string_view number, const std::string& path,
              std::vector<eslog20::Refusal> refusals) {
    if (!WrittenInThisRun(path)) {
      Status s = ctx_.platform.files.DeleteFile(Cp1250ToUtf8(path));
      if (!s.ok() && s.error_code() != 2) refusals.push_back({"", OldDocumentNotDeleted(path, s)});
    }
    ShowWarning(ctx_.platform.messages,
                eslog20::RefusalMessageText(ctx_.files.headers().buffer(), refusals),
                std::string(eslog20::kRefusalCaption), text::kOkLabel);
    InvoiceOutcome row;
    row.number = std::string(number);
    row.document = path;
    row.status = InvoiceStatus::kRefused;
    for (eslog20::Refusal& r : refusals) row.reasons.push_back(std::move(r.line));
    w_.journal.invoices.push_back(std::move(row));
  }

  bool WrittenInThisRun(const std::string& path) const {
    for (const WrittenDocument& d : written_)
      if (d.path == path) return true;
    for (std::string_view done = w_.SEZNAMZAPODPIS; !done.empty();) {
      size_t end = done.find(';');
      if (done.substr(0, end) == path) return true;
      done = end == std::string_view::npos ? std::string_view() : done.substr(end + 1);
    }
    return false;
  }

  // Puts the written documents under their names; a document whose name could not be
  // given is reported, no longer counted and not signed.
  void Commit() {
    std::vector<GroupCommitFileSystem::Outcome> outcomes = documents_.Commit();
    for (const WrittenDocument& d : written_) {
      Status s;
      for (size_t i = d.first_rename; i < d.end_rename && s.ok(); ++i) s = outcomes[i].status;
      if (!s.ok()) {
        ShowWarning(ctx_.platform.messages, InvoiceNotWritten(d.path, s), caption::kWarning);
        --w_.STEVEC;
        for (InvoiceOutcome& row : w_.journal.invoices)
          if (row.document == d.path && row.status == InvoiceStatus::kWrittenWithWarnings) {
            row.status = InvoiceStatus::kNotWritten;
            row.reasons.insert(row.reasons.begin(), InvoiceNotWritten(d.path, s));
          }
        continue;
      }
      if (!w_.SEZNAMZAPODPIS.empty()) w_.SEZNAMZAPODPIS += ";";
      w_.SEZNAMZAPODPIS += d.path;
    }
    written_.clear();
  }

 private:
  BatchContext& ctx_;
  WindowState& w_;
  GroupCommitFileSystem documents_;
  std::vector<WrittenDocument> written_;  // in the group not committed yet
};

}  // namespace

void RunInvoiceLoop(BatchContext& ctx, WindowState& w) {
  w.SEZNAMZAPODPIS.clear();
  w.STEVEC = 0;
  InvoiceLoop loop(ctx, w);
  const workdata::RecordBuffer& header = ctx.files.headers().buffer();
  workdata::WalkHeaders(ctx.files, [&] {
    std::string number(header.Clipped(eRACUNI::STEVILKARACUNA));
    w.IMEXMLRACUNA = FindXmlAttachment(ctx.files);
    if (w.IMEXMLRACUNA.empty()) {
      ShowWarning(ctx.platform.messages, NoXmlAttachment(number), caption::kAttachments);
      return false;
    }
    loop.Write(number);
    return true;
  });
  loop.Commit();
}

}  // namespace eracuni::batch
