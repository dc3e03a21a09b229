#include "batch/document_renderer.h"

#include <algorithm>

namespace eracuni::batch {
namespace {

// Not a verdict: tells whether the writer set one.
constexpr uint8_t kNoVerdict = 0xFF;

}  // namespace

DocumentRenderer::DocumentRenderer(const DocumentWriters& writers,
                                   const settings::Settings& settings, ErrorManager& errors,
                                   unsigned workers, FileSystem* disk)
    : writers_(writers), settings_(settings), errors_(errors), workers_(workers), disk_(disk) {}

DocumentRenderer::~DocumentRenderer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  queued_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void DocumentRenderer::Submit(RenderJob& job) {
  if (threads_.empty())
    for (unsigned i = 0; i < workers_; ++i) threads_.emplace_back([this] { Work(); });
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(&job);
  }
  queued_.notify_one();
}

void DocumentRenderer::Wait(const RenderJob& job) {
  std::unique_lock lock(mutex_);
  awaited_ = &job;
  finished_.wait(lock, [&] { return job.done; });
  awaited_ = nullptr;
}

bool DocumentRenderer::Done(const RenderJob& job) {
  std::lock_guard lock(mutex_);
  return job.done;
}

// What one thread renders with: its own settings, snapshot files and file system.
struct DocumentRenderer::Desk {
  Desk(const settings::Settings& run_settings, ErrorManager& errors, FileSystem* disk)
      : settings(run_settings), snapshot(settings, errors) {
    if (disk) on_disk.emplace(*disk);
  }
  FileSystem& out() { return on_disk ? static_cast<FileSystem&>(*on_disk) : memory; }

  settings::Settings settings;  // paths the snapshot files name stay alive here
  workdata::SnapshotWorkFiles snapshot;
  RenderingFileSystem memory;
  std::optional<GroupCommitFileSystem> on_disk;  // closes without a wait, holds the renames
};

bool DocumentRenderer::RenderHere(RenderJob& job) {
  {
    std::lock_guard lock(mutex_);
    auto queued = std::find(queue_.rbegin(), queue_.rend(), &job);
    if (queued == queue_.rend()) return false;  // a worker has it, or had it
    queue_.erase(std::next(queued).base());
  }
  if (!here_) here_ = std::make_unique<Desk>(settings_, errors_, disk_);
  Render(*here_, job);
  std::lock_guard lock(mutex_);
  job.done = true;
  return true;
}

void DocumentRenderer::Render(Desk& desk, RenderJob& job) {
  desk.snapshot.Load(std::move(job.snapshot));
  desk.settings.DOBROPISBREMEPIS = kNoVerdict;
  if (job.eslog20)
    job.outcome = writers_.invoice20(desk.settings, desk.snapshot.files(), desk.out(), job.name);
  else
    job.status = writers_.invoice(desk.settings, desk.snapshot.files(), desk.out(), job.name);
  if (desk.settings.DOBROPISBREMEPIS != kNoVerdict) job.verdict = desk.settings.DOBROPISBREMEPIS;
  job.snapshot = desk.snapshot.Unload();  // freed by the run's thread, which made it
  if (desk.on_disk)
    job.on_disk = desk.on_disk->TakeHeld();
  else
    job.files = desk.memory.TakeRenamed();
}

void DocumentRenderer::Work() {
  Desk desk(settings_, errors_, disk_);
  for (;;) {
    RenderJob* job;
    {
      std::unique_lock lock(mutex_);
      queued_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      job = queue_.front();
      queue_.pop_front();
    }
    Render(desk, *job);
    bool awaited;
    {
      std::lock_guard lock(mutex_);
      job->done = true;
      awaited = awaited_ == job;
    }
    if (awaited) finished_.notify_one();  // only the job waited for wakes the run's thread
  }
}

unsigned RenderWorkersForThisMachine() {
  unsigned n = std::thread::hardware_concurrency();
  return n < 2 ? 0 : std::min(n - 1, 3u);
}

}  // namespace eracuni::batch
