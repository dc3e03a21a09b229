// The steps a BatchRun is made of, one function each, for batch_run.cpp and the tests.
//
// Each step reads the context, changes the window state as the window would, and shows its
// messages itself; none stops the run (that is BatchRun's business).
#pragma once

#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "batch/window_state.h"

namespace eracuni::batch {

// Opening: count the headers, first and last number, bank and BIC of the first header,
// the credit/debit verdict of the first header, and the deletion of stale outputs.
void PreglejDelovnePodatke(BatchContext& ctx, WindowState& w);
// Blocks the window for each of the two folders that is blank.
void PreveriPoti(BatchContext& ctx, WindowState& w);
// Shows the picture with or without a package for the channel.
void PrikaziSlikoPaketa(const settings::Settings& s, WindowState& w);

// Whether the output folder is there to be written into; when not, one message names it
// and the journal says why nothing was made.
bool CheckOutputFolder(BatchContext& ctx, WindowState& w);

// The loop over the headers: one invoice document each, until a header lacks its "XML"
// attachment. Each header gets its row in the journal, also those after the loop stopped.
void RunInvoiceLoop(BatchContext& ctx, WindowState& w);

// The documents the journal records as written: what the envelope describes.
envelope::WrittenDocuments WrittenDocuments(const RunJournal& journal);

// After the loop: signer, envelope name and the deletion of an old one, the envelope, the
// package and the result values. Started programs are appended to `log`. With no document
// written nothing of it runs but the result values.
void CompleteRun(BatchContext& ctx, WindowState& w, std::vector<std::string>& log);

// The steps of CompleteRun.
void RunSigner(BatchContext& ctx, const WindowState& w, std::vector<std::string>& log);
void NameEnvelope(BatchContext& ctx, WindowState& w);
envelope::EnvelopeResult WriteEnvelope(BatchContext& ctx, WindowState& w);
// Names, in one message, every attachment left out of the envelope, and why.
void ReportLeftOutAttachments(BatchContext& ctx, const envelope::EnvelopeResult& envelope);
void IzdelajPaket(BatchContext& ctx, WindowState& w, const envelope::EnvelopeResult& envelope,
                  std::vector<std::string>& log);
void SetResultValues(const settings::Settings& s, WindowState& w);

// The version of the e-SLOG documents the run writes: "2.0" when the settings select it,
// else "1.6".
std::string EslogVersion(const settings::Settings& s);
// Notes in the journal when and where the run starts, its channel and e-SLOG version.
void BeginJournal(BatchContext& ctx, WindowState& w);
// The last step of a run: the report beside the envelope, named in the journal and its
// button shown; a failure is told and leaves no report of that name. Without an envelope
// name there is no report.
void WriteRunReport(BatchContext& ctx, WindowState& w);
// The written report, for its window; a failure is told.
Result<std::string> ReadRunReport(BatchContext& ctx, const WindowState& w);

}  // namespace eracuni::batch
