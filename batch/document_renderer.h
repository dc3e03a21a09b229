// DocumentRenderer: renders invoice documents on worker threads, so that a run uses every
// core while its own thread reads the work data and writes the files.
//
// A job is one header's snapshot and document name. A worker writes its document with the
// run's writers into memory (a RenderingFileSystem) over a SnapshotWorkFiles and its own copy
// of the settings; the invoice loop waits for its jobs in order and writes what they
// rendered to the disk itself, so messages, the journal and the files come out in the order
// a run on one thread gives. Only writers that depend on nothing but their arguments may be
// run this way (DocumentWriters::pure). The caller owns the jobs and keeps each alive until
// Wait returned for it; destroying the renderer waits for the jobs workers hold and drops
// the rest.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "batch/batch_run.h"
#include "framework/rendering_file_system.h"
#include "workdata/invoice_snapshot.h"

namespace eracuni::batch {

struct RenderJob {
  workdata::InvoiceSnapshot snapshot;
  std::string name;  // LOC:IMEXMLRACUNA
  bool eslog20 = false;

  // What the writer gave, once done.
  Status status;                     // e-SLOG 1.6
  eslog20::DocumentOutcome outcome;  // e-SLOG 2.0
  std::optional<uint8_t> verdict;    // DOBROPISBREMEPIS, when the writer set it
  std::vector<RenderingFileSystem::Renamed> files;
  bool done = false;
};

class DocumentRenderer {
 public:
  // The workers start with the first job, each with its own copy of `settings` as they are now.
  DocumentRenderer(const DocumentWriters& writers, const settings::Settings& settings,
                   ErrorManager& errors, unsigned workers);
  ~DocumentRenderer();
  DocumentRenderer(const DocumentRenderer&) = delete;
  DocumentRenderer& operator=(const DocumentRenderer&) = delete;

  void Submit(RenderJob& job);
  void Wait(const RenderJob& job);
  unsigned workers() const { return workers_; }

 private:
  void Work();

  const DocumentWriters& writers_;
  const settings::Settings settings_;  // as the run began; each worker copies it
  ErrorManager& errors_;
  const unsigned workers_;
  std::mutex mutex_;
  std::condition_variable queued_, finished_;
  std::deque<RenderJob*> queue_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// Workers for a run on this machine: one fewer than its processors, at most 3; 0 (render on
// the run's own thread) where there is one processor.
unsigned RenderWorkersForThisMachine();

}  // namespace eracuni::batch
