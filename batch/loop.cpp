// The invoice loop of a run: one e-SLOG document per header, each header's outcome in the
// run's journal.
#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <utility>

#include "batch/document_renderer.h"
#include "batch/messages.h"
#include "batch/names.h"
#include "batch/stages.h"
#include "framework/cp1250.h"
#include "framework/group_commit.h"
#include "settings/ini_settings.h"
#include "xml/xml_writer.h"

namespace eracuni::batch {
namespace {

using workdata::ClipBoth;
using workdata::ClipRight;
namespace eRACUNI = workdata::eRACUNI;
namespace eRACPRIL = workdata::eRACPRIL;

// The name of the header's first attachment of format "XML", trimmed, or "" when it has
// none: the document is written under the trimmed name, so every later step uses that.
std::string FindXmlAttachment(workdata::WorkFiles& files) {
  const workdata::RecordBuffer& a = files.attachments().buffer();
  std::string name;
  workdata::WalkAttachments(files, [&] {
    if (a.Clipped(eRACPRIL::FORMATPRILOGE) != "XML") return true;
    name = std::string(ClipBoth(a.Text(eRACPRIL::IMEPRILOGE)));
    return false;
  });
  return name;
}

// The journal's row of the current header, not reached yet.
InvoiceOutcome HeaderRow(const workdata::RecordBuffer& h) {
  InvoiceOutcome row;
  row.ident = h.U32(eRACUNI::IDENTRACUN);
  row.number = std::string(h.Clipped(eRACUNI::STEVILKARACUNA));
  row.buyer = std::string(ClipBoth(h.Text(eRACUNI::NAZIVPARTNERJA1BY)));
  row.date = std::string(ClipBoth(h.Text(eRACUNI::DATUMRACUNA)));
  row.amount = std::string(ClipBoth(h.Text(eRACUNI::ZNESEKRACUNASKUPAJ)));
  return row;
}

// A failure as one line of the journal: the message without its line breaks.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '|') c = ' ';
  return std::string(ClipBoth(text));
}

// Documents are written through one GroupCommitFileSystem: each is complete on the disk
// before its name appears, with one wait for the disk per group instead of one per file.
// A group is committed when it holds kGroupDocuments or kGroupBytes, and at the end of the
// loop. The next group is written while one waits for the disk and grows while that wait
// lasts, so a slow sync does not stop the loop, until the two together hold
// kUnnamedDocuments or kUnnamedBytes. Workers write up to five documents each ahead of the
// groups, so at most 240 + 3 x 5 = 255 documents are without their names at any time.
constexpr size_t kGroupDocuments = 80;
constexpr uint64_t kGroupBytes = 8u << 20;
constexpr size_t kUnnamedDocuments = 240;
constexpr uint64_t kUnnamedBytes = 16u << 20;

// Documents rendered on other threads and not yet written, per worker: enough to keep the
// workers busy while this thread writes, few enough to keep memory flat.
constexpr size_t kInFlightPerWorker = 4;
// A header whose records come to more than this is written on this thread, streamed, so a
// very long invoice is never whole in memory.
constexpr size_t kSnapshotLimit = 1u << 20;

struct WrittenDocument {
  size_t row;                       // in the journal
  size_t first_rename, end_rename;  // the renames it asked for in its group
  uint8_t verdict;                  // DOBROPISBREMEPIS after its writing
};

// A document given to the renderer, with its row in the journal and its header (which a
// refusal names).
struct RenderedDocument {
  size_t row;
  std::string header;
  std::unique_ptr<RenderJob> job;
};

std::vector<std::string_view> Pieces(const RenderingFileSystem::File& file) {
  std::vector<std::string_view> pieces;
  size_t begin = 0;
  for (size_t end : file.piece_ends) {
    pieces.push_back(std::string_view(file.bytes).substr(begin, end - begin));
    begin = end;
  }
  return pieces;
}

// Everything that follows from a header's document happens here, in the order of the
// headers, wherever the document was rendered: messages, journal, counter, group commit.
class InvoiceLoop {
 public:
  InvoiceLoop(BatchContext& ctx, WindowState& w) : ctx_(ctx), w_(w), documents_(ctx.platform.files) {
    unsigned workers = RenderWorkersForThisMachine();
    FileSystem& files = ctx.platform.files;
    if (ctx.writers.pure && workers > 0)
      renderer_ = std::make_unique<DocumentRenderer>(ctx.writers, ctx.settings, ctx.errors, workers,
                                                     files.AllowsTwoThreads() ? &files : nullptr);
  }
  ~InvoiceLoop() {
    renderer_.reset();  // the workers stop first
    for (RenderedDocument& d : rendering_) DeleteUnadopted(*d.job);
  }
  InvoiceLoop(const InvoiceLoop&) = delete;
  InvoiceLoop& operator=(const InvoiceLoop&) = delete;

  // Writes the current header's document, or hands it to the renderer; its row is the
  // journal's last.
  void Write() {
    const size_t index = w_.journal.invoices.size() - 1;
    InvoiceOutcome& row = w_.journal.invoices.back();
    if (!IsPlainFileName(w_.IMEXMLRACUNA)) {
      Settle();
      std::string message = UnsafeXmlAttachmentName(row.number, w_.IMEXMLRACUNA);
      ShowWarning(ctx_.platform.messages, message, caption::kAttachments);
      return Fail(row, message);
    }
    row.document = std::string(ClipRight(ctx_.settings.POTDOXMLRACUNOV)) + w_.IMEXMLRACUNA;
    if (renderer_) {
      auto job = std::make_unique<RenderJob>();
      if (workdata::TakeSnapshot(ctx_.files, kSnapshotLimit, job->snapshot)) {
        job->name = w_.IMEXMLRACUNA;
        job->eslog20 = settings::SelectsEslog20(ctx_.settings);
        rendering_.push_back({index, job->snapshot.header, std::move(job)});
        renderer_->Submit(*rendering_.back().job);  // the worker's from here on
        // Written only when the window is full (or drained): the oldest alone while the
        // workers keep up, so they always have work. When they are behind, this thread
        // first renders the newest document itself (the workers' queue is its end), then
        // writes all but one a worker after one wait, so it sleeps once for several.
        if (rendering_.size() > kInFlightPerWorker * renderer_->workers()) {
          if (!renderer_->Done(*rendering_.front().job))
            renderer_->RenderHere(*rendering_.back().job);
          const bool behind = !renderer_->Done(*rendering_.front().job);
          WriteRendered(behind ? rendering_.size() - renderer_->workers() : 1);
        }
        return;
      }
    }
    Drain();
    size_t first = documents_.held();
    const bool eslog20 = settings::SelectsEslog20(ctx_.settings);
    eslog20::DocumentOutcome o;
    if (eslog20)
      o = ctx_.writers.invoice20(ctx_.settings, ctx_.files, documents_, w_.IMEXMLRACUNA);
    else
      o.status = ctx_.writers.invoice(ctx_.settings, ctx_.files, documents_, w_.IMEXMLRACUNA);
    Finish(row, eslog20, std::move(o), first, ctx_.files.headers().buffer());
  }

  // Writes every document the renderer still holds, in order.
  void Drain() {
    while (!rendering_.empty()) WriteFirstRendered();
  }

  // Everything before the current header done and told: before a message of its own.
  void Settle() {
    Drain();
    SettleCommit();
  }

  // An invoice the 2.0 document cannot express: no file under its name (one left by an
  // earlier run goes, one written earlier in this run stays), one message with every reason,
  // not counted, not signed, and recorded so the envelope and the package leave it out.
  void Refuse(InvoiceOutcome& row, std::vector<eslog20::Refusal> refusals,
              const workdata::RecordBuffer& header) {
    const std::string& path = row.document;
    if (!WrittenInThisRun(path)) {
      Status s = ctx_.platform.files.DeleteFile(Cp1250ToUtf8(path));
      if (!s.ok() && s.error_code() != 2) refusals.push_back({"", OldDocumentNotDeleted(path, s)});
    }
    ShowWarning(ctx_.platform.messages,
                eslog20::RefusalMessageText(header, refusals),
                std::string(eslog20::kRefusalCaption), text::kOkLabel);
    row.status = InvoiceStatus::kRefused;
    for (eslog20::Refusal& r : refusals) row.reasons.push_back(std::move(r.line));
  }
  bool WrittenInThisRun(const std::string& path) const {
    for (const WrittenDocument& d : written_)
      if (w_.journal.invoices[d.row].document == path) return true;
    for (std::string_view done = w_.SEZNAMZAPODPIS; !done.empty();) {
      size_t end = done.find(';');
      if (done.substr(0, end) == path) return true;
      done = end == std::string_view::npos ? std::string_view() : done.substr(end + 1);
    }
    return false;
  }

  // Puts the written documents under their names and settles that.
  void Commit() {
    BeginCommit();
    SettleCommit();
  }

  // The documents written so far start their wait for the disk; their names are given while
  // the next ones are written.
  void BeginCommit() {
    SettleCommit();
    committing_ = std::move(written_);
    written_.clear();
    documents_.BeginCommit();
  }

  // Waits for the commit begun last: a document whose name could not be given is reported,
  // no longer counted and not signed. Done before any message, so messages keep the order
  // of the headers.
  void SettleCommit() {
    if (!documents_.committing()) return;
    std::vector<GroupCommitFileSystem::Outcome> outcomes = documents_.TakeCommitted();
    for (const WrittenDocument& d : committing_) {
      InvoiceOutcome& row = w_.journal.invoices[d.row];
      Status s;
      for (size_t i = d.first_rename; i < d.end_rename && s.ok(); ++i) s = outcomes[i].status;
      if (!s.ok()) {
        std::string message = InvoiceNotWritten(row.document, s);
        ShowWarning(ctx_.platform.messages, message, caption::kWarning);
        --w_.STEVEC;
        row.status = InvoiceStatus::kNotWritten;
        row.reasons.insert(row.reasons.begin(), OneLine(message));
        continue;
      }
      row.status = row.reasons.empty() ? InvoiceStatus::kWritten
                                       : InvoiceStatus::kWrittenWithWarnings;
      last_verdict_ = d.verdict;
      if (!w_.SEZNAMZAPODPIS.empty()) w_.SEZNAMZAPODPIS += ";";
      w_.SEZNAMZAPODPIS += row.document;
    }
    committing_.clear();
  }

  // The credit/debit verdict of the last document actually written, if any was.
  std::optional<uint8_t> last_verdict() const { return last_verdict_; }

 private:
  // Writes the `n` oldest rendered documents, after one wait for the last of them.
  void WriteRendered(size_t n) {
    renderer_->Wait(*rendering_[n - 1].job);
    while (n-- > 0) WriteFirstRendered();
  }

  // Waits for the oldest rendered document and writes it to its file as its writer would
  // have; the verdict counts as the writer left it.
  void WriteFirstRendered() {
    RenderedDocument d = std::move(rendering_.front());
    rendering_.pop_front();
    renderer_->Wait(*d.job);
    RenderJob& job = *d.job;
    eslog20::DocumentOutcome o = job.eslog20 ? std::move(job.outcome) : eslog20::DocumentOutcome{};
    if (!job.eslog20) o.status = job.status;
    size_t first = documents_.held();
    if (!o.refused() && o.status.ok()) {
      documents_.Adopt(std::exchange(job.on_disk, {}));
      for (const RenderingFileSystem::Renamed& f : job.files) {
        o.status = xml::WriteRenderedDocument(documents_, f.target, Pieces(f.file));
        if (!o.status.ok()) break;
      }
    }
    DeleteUnadopted(job);  // what a refused or failed writer still left
    // A 2.0 document sets its verdict and its payment reference only once it is written.
    if (job.eslog20 && !o.status.ok()) o.payment_reference.clear();
    if (job.verdict && (!job.eslog20 || o.status.ok())) ctx_.settings.DOBROPISBREMEPIS = *job.verdict;
    workdata::RecordBuffer header(workdata::HeaderLayout());
    if (o.refused()) header.Assign(d.header);
    Finish(w_.journal.invoices[d.row], job.eslog20, std::move(o), first, header);
  }

  // Temporary files a worker wrote for a document that will not be named.
  void DeleteUnadopted(RenderJob& job) {
    for (const GroupCommitFileSystem::Held& h : std::exchange(job.on_disk, {}))
      ctx_.platform.files.DeleteFile(h.from);
  }

  // What follows from the outcome of a header's writer; `first` is the group's first rename
  // the document may have asked for, `header` the header it was written from.
  void Finish(InvoiceOutcome& row, bool eslog20, eslog20::DocumentOutcome o, size_t first,
              const workdata::RecordBuffer& header) {
    if (o.refused() || !o.status.ok()) SettleCommit();
    if (o.refused()) return Refuse(row, std::move(o.refusals), header);
    if (eslog20) row.payment_reference = std::move(o.payment_reference);
    if (!o.status.ok()) {
      std::string message = InvoiceNotWritten(row.document, o.status);
      ShowWarning(ctx_.platform.messages, message, caption::kWarning);
      return Fail(row, message);
    }
    ++w_.STEVEC;
    row.reasons = std::move(o.warnings);  // the 2.0 document's warnings, if any
    const size_t index = static_cast<size_t>(&row - w_.journal.invoices.data());
    written_.push_back({index, first, documents_.held(), ctx_.settings.DOBROPISBREMEPIS});
    if (GroupFull()) BeginCommit();
  }

  bool GroupFull() const {
    const size_t held = documents_.held();
    const uint64_t bytes = documents_.held_bytes();
    if (held < kGroupDocuments && bytes < kGroupBytes) return false;
    return !documents_.CommitRunning() || held + documents_.in_commit() >= kUnnamedDocuments ||
           bytes + documents_.in_commit_bytes() >= kUnnamedBytes;
  }

  static void Fail(InvoiceOutcome& row, const std::string& message) {
    row.status = InvoiceStatus::kNotWritten;
    row.reasons.push_back(OneLine(message));
  }

  BatchContext& ctx_;
  WindowState& w_;
  GroupCommitFileSystem documents_;
  std::vector<WrittenDocument> written_;     // in the group not committed yet
  std::vector<WrittenDocument> committing_;  // in the group waiting for the disk
  std::optional<uint8_t> last_verdict_;
  std::deque<RenderedDocument> rendering_;      // in the order of the headers
  std::unique_ptr<DocumentRenderer> renderer_;  // after the jobs: stops before they go
};

}  // namespace

void RunInvoiceLoop(BatchContext& ctx, WindowState& w) {
  w.SEZNAMZAPODPIS.clear();
  w.STEVEC = 0;
  InvoiceLoop loop(ctx, w);
  std::vector<InvoiceOutcome>& rows = w.journal.invoices;
  const workdata::RecordBuffer& header = ctx.files.headers().buffer();
  bool stopped = false;
  workdata::WalkHeaders(ctx.files, [&] {
    rows.push_back(HeaderRow(header));
    w.IMEXMLRACUNA = FindXmlAttachment(ctx.files);
    if (w.IMEXMLRACUNA.empty()) {
      loop.Settle();
      std::string message = NoXmlAttachment(rows.back().number);
      ShowWarning(ctx.platform.messages, message, caption::kAttachments);
      rows.back().status = InvoiceStatus::kNotWritten;
      rows.back().reasons.push_back(OneLine(message));
      stopped = true;
      return false;
    }
    loop.Write();
    return true;
  });
  loop.Drain();
  loop.Commit();
  // The verdict of a document that was not written must not choose the envelope.
  if (loop.last_verdict()) ctx.settings.DOBROPISBREMEPIS = *loop.last_verdict();

  // The headers after the one that stopped the loop (a walk that went to the end and saw
  // every header the opening counted has none: the header file is not read once more).
  size_t seen = 0;
  const size_t reached = rows.size();
  if (stopped || reached < static_cast<size_t>(std::max(w.STEVILORACUNOV, 0))) {
    workdata::WalkHeaders(ctx.files, [&] {
      if (++seen > reached) rows.push_back(HeaderRow(header));
      return true;
    });
  }
  // The rows stay until the report is written, past the run's largest lists: without the
  // room the vector grew into (up to 40 % of it).
  rows.shrink_to_fit();
}

envelope::WrittenDocuments WrittenDocuments(const RunJournal& journal) {
  envelope::WrittenDocuments written;
  for (const InvoiceOutcome& row : journal.invoices)
    if (row.status == InvoiceStatus::kWritten || row.status == InvoiceStatus::kWrittenWithWarnings)
      written[row.ident] = {Cp1250ToUtf8(row.document), row.payment_reference};
  return written;
}

}  // namespace eracuni::batch
