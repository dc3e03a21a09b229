// DocumentRenderer: renders invoice documents on worker threads, so that a run uses every
// core while its own thread reads the work data.
//
// A job is one header's snapshot and document name. A worker writes its document with the
// run's writers over a SnapshotWorkFiles and its own copy of the settings. Where the run's
// file system allows two threads (`disk`), the worker writes the document's temporary file
// itself and only notes its rename (a GroupCommitFileSystem of its own), which the invoice
// loop adopts into the run's group; elsewhere it renders into memory (a RenderingFileSystem)
// and the loop writes the file. Either way the loop takes the jobs in order, so messages, the
// journal and the names come out in the order a run on one thread gives. Only writers that
// depend on nothing but their arguments may be run this way (DocumentWriters::pure). The
// caller owns the jobs and keeps each alive until Wait returned for it; destroying the
// renderer waits for the jobs workers hold and drops the rest. A job done but never adopted
// leaves its temporary files to the caller to delete.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "batch/batch_run.h"
#include "framework/group_commit.h"
#include "framework/rendering_file_system.h"
#include "workdata/invoice_snapshot.h"

namespace eracuni::batch {

struct RenderJob {
  workdata::InvoiceSnapshot snapshot;
  std::string name;  // LOC:IMEXMLRACUNA
  bool eslog20 = false;

  // What the writer gave, once done.
  Status status;                                     // e-SLOG 1.6
  eslog20::DocumentOutcome outcome;                  // e-SLOG 2.0
  std::optional<uint8_t> verdict;                    // DOBROPISBREMEPIS, when the writer set it
  std::vector<RenderingFileSystem::Renamed> files;   // rendered into memory
  std::vector<GroupCommitFileSystem::Held> on_disk;  // or written, waiting for their names
  bool done = false;
};

class DocumentRenderer {
 public:
  // The workers start with the first job, each with its own copy of `settings` as they are
  // now. `disk`, when given, must allow two threads and outlive the renderer.
  DocumentRenderer(const DocumentWriters& writers, const settings::Settings& settings,
                   ErrorManager& errors, unsigned workers, FileSystem* disk = nullptr);
  ~DocumentRenderer();
  DocumentRenderer(const DocumentRenderer&) = delete;
  DocumentRenderer& operator=(const DocumentRenderer&) = delete;

  void Submit(RenderJob& job);
  void Wait(const RenderJob& job);
  bool Done(const RenderJob& job);
  // Renders `job` on the calling thread if no worker has taken it yet (then true): what the
  // run's thread does instead of waiting while the workers are behind.
  bool RenderHere(RenderJob& job);
  unsigned workers() const { return workers_; }

 private:
  struct Desk;
  void Render(Desk& desk, RenderJob& job);
  void Work();

  const DocumentWriters& writers_;
  const settings::Settings settings_;  // as the run began; each worker copies it
  ErrorManager& errors_;
  const unsigned workers_;
  FileSystem* const disk_;
  std::mutex mutex_;
  std::condition_variable queued_, finished_;
  std::deque<RenderJob*> queue_;
  const RenderJob* awaited_ = nullptr;  // the job Wait sleeps for
  bool stopping_ = false;
  std::vector<std::thread> threads_;
  std::unique_ptr<Desk> here_;  // the calling thread's, made at its first RenderHere
};

// Workers for a run on this machine: one fewer than its processors, at most 3; 0 (render on
// the run's own thread) where there is one processor.
unsigned RenderWorkersForThisMachine();

}  // namespace eracuni::batch
