// The run report: the page a bookkeeper keeps of what one run made and sent.
//
// RenderRunReport turns a RunJournal into one self-contained HTML page, UTF-8, with its
// styles inline and no scripts, that reads on screen and prints on A4: when and where the
// run was made, the channel and the e-SLOG version, one row per invoice of the work data
// with its status and reasons, the attachments with their sizes and the missing ones, the
// envelope and the package, and every message the run showed. Every value from the journal
// is escaped. It is a pure function of the journal. The run writes the page beside its
// envelope (stages.h) piece by piece, a section or an invoice row at a time, so a run of
// many invoices never holds the whole page in memory.
#pragma once

#include <string>

#include "batch/run_journal.h"
#include "framework/byte_sink.h"
#include "framework/status.h"

namespace eracuni::batch {

// The status as the report names it, windows-1250.
const char* InvoiceStatusText(InvoiceStatus status);

// The page, UTF-8, into `sink`; returns the sink's first failure, after which nothing more
// is written.
Status RenderRunReport(const RunJournal& journal, ByteSink& sink);
// The page whole, UTF-8.
std::string RenderRunReport(const RunJournal& journal);

}  // namespace eracuni::batch
