#include "bench/measure.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>

#include "batch/batch_run.h"
#include "eslog/invoice.h"
#include "eslog20/document.h"
#include "framework/cp1250.h"
#include "framework/error_manager.h"
#include "framework/testing/fakes.h"
#include "settings/ini_settings.h"
#include "workdata/tps/tps_store.h"
#include "workdata/work_files.h"

namespace eracuni::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kPlainPrefix[] = "plain-";  // the baselines' files in the output folder

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double CpuSeconds() {
  struct rusage u {};
  getrusage(RUSAGE_SELF, &u);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// Time this thread has waited in the run queue, from the kernel's scheduler statistics.
double QueueSeconds() {
  std::ifstream stat("/proc/thread-self/schedstat");
  uint64_t on_cpu = 0, waiting = 0;
  if (!(stat >> on_cpu >> waiting)) return 0;
  return double(waiting) / 1e9;
}

class QuietTerminator : public Terminator {
 public:
  void Terminate(int, const std::string&) override {}
};

// The work files of a data set over the TopSpeed store, with everything they need.
struct OpenWorkData {
  explicit OpenWorkData(const DataSet& set)
      : settings(SettingsFor(set)), driver(tps::NewTopSpeedDriver(PosixFileSystem())),
        errors(boxes, terminator), files(settings, *driver, errors) {
    errors.Init();
  }
  settings::Settings settings;
  std::unique_ptr<workdata::TableDriver> driver;
  eracuni::testing::ScriptedMessageBox boxes;
  QuietTerminator terminator;
  ErrorManager errors;
  workdata::WorkFiles files;
};

std::vector<std::string> WorkFilePaths(const DataSet& set) {
  settings::Settings s = SettingsFor(set);
  return {Cp1250ToUtf8(s.POTERACUNI), Cp1250ToUtf8(s.POTERACUNIP), Cp1250ToUtf8(s.POTERACPRIL)};
}

// One pass: the open and the walks, timed apart.
Result<ReadFigures> ReadOnce(const DataSet& set) {
  OpenWorkData data(set);
  ReadFigures pass;
  Clock::time_point start = Clock::now();
  if (Status s = data.files.OpenAll(); !s.ok()) return s;
  pass.open_seconds = Since(start);
  start = Clock::now();
  workdata::WalkHeaders(data.files, [&] {
    ++pass.headers;
    pass.lines += workdata::WalkLines(data.files, [] { return true; });
    return true;
  });
  pass.walk_seconds = Since(start);
  pass.record_bytes = pass.headers * workdata::HeaderLayout().record_size +
                      pass.lines * workdata::LineLayout().record_size;
  return pass;
}

// The sizes of the XML files in the output folder: what the run wrote.
Result<std::vector<uint64_t>> OutputSizes(FileSystem& fs, const std::string& folder) {
  auto names = fs.ListDirectory(folder);
  if (!names.ok()) return names.status();
  std::vector<uint64_t> sizes;
  for (const std::string& name : *names) {
    // The run report beside them is no XML document; baseline files may still be there.
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0) continue;
    if (name.rfind(kPlainPrefix, 0) == 0) continue;
    auto size = fs.FileSize(folder + name);
    if (!size.ok()) return size.status();
    sizes.push_back(*size);
  }
  return sizes;
}

// Starts nothing and keeps no arguments (a real start hands them to the child and keeps
// none either): the archiver's call makes an empty package, which stands for what the
// archiver would have made and is gone again once the run has seen it.
class CountingProgramRunner : public ProgramRunner {
 public:
  std::string FindProgram(const std::string& name) override {
    return name == "7za.EXE" ? "/usr/bin/7za" : "";
  }
  Result<int> Run(const std::string&, const std::vector<std::string>& args) override {
    ++runs;
    if (args.size() > 7) std::ofstream(package = args[7], std::ios::binary);
    return 0;
  }
  size_t runs = 0;
  std::string package;
};

Status RunOnce(const DataSet& set, RunFigures* f) {
  OpenWorkData data(set);
  eracuni::testing::FixedClock clock({2026, 12, 1, 8, 0, 0, 0});
  eracuni::testing::SequenceRandom random;
  CountingProgramRunner programs;
  Platform platform{data.boxes, clock, PosixFileSystem(), programs, random};
  Clock::time_point start = Clock::now();
  double cpu = CpuSeconds(), queue = QueueSeconds();
  {
    batch::BatchRun run({data.settings, data.files, platform, data.errors, nullptr});
    run.Open();
    run.FocusMakeButton();
    run.PressMake();
    run.PressCancel();
    if (run.window().state != batch::RunState::kClosed)
      return Status::IoError("the run did not complete");
    f->invoices = run.window().STEVEC;
  }
  if (!programs.package.empty()) (void)PosixFileSystem().DeleteFile(programs.package);
  double seconds = Since(start);
  cpu = CpuSeconds() - cpu;
  queue = QueueSeconds() - queue;
  if (f->seconds == 0 || seconds < f->seconds) {
    f->seconds = seconds;
    f->queue_seconds = queue;
  }
  if (f->cpu_seconds == 0 || cpu < f->cpu_seconds) f->cpu_seconds = cpu;
  f->messages = data.boxes.shown().size();
  f->program_runs = programs.runs;
  return Status::Ok();
}

}  // namespace

Result<double> PlainReadSeconds(const std::vector<std::string>& paths) {
  std::vector<char> buffer(1 << 16);
  Clock::time_point start = Clock::now();
  for (const std::string& path : paths) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Status::IoError("cannot open " + path, errno);
    ssize_t n;
    while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) {
    }
    ::close(fd);
    if (n < 0) return Status::IoError("cannot read " + path, errno);
  }
  return Since(start);
}

Result<Timing> PlainWrite(const std::string& folder, const std::vector<uint64_t>& sizes,
                          Durability durability, size_t* kept) {
  std::string chunk(1 << 16, 'x');
  const size_t first = kept ? *kept : 0;  // kept files of earlier calls keep their names
  auto path = [&](size_t i) { return folder + kPlainPrefix + std::to_string(first + i) + ".tmp"; };
  auto remove = [&](size_t n) {
    if (!kept)
      for (size_t i = 0; i < n; ++i) std::remove(path(i).c_str());
  };
  Clock::time_point start = Clock::now();
  double cpu = CpuSeconds(), queue = QueueSeconds();
  for (size_t i = 0; i < sizes.size(); ++i) {
    std::FILE* out = std::fopen(path(i).c_str(), "wb");
    if (!out) return remove(i), Status::IoError("cannot create " + path(i), errno);
    for (uint64_t left = sizes[i]; left > 0;) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(left, chunk.size()));
      std::fwrite(chunk.data(), 1, n, out);
      left -= n;
    }
    if (durability == Durability::kEachFile && (std::fflush(out) != 0 || ::fsync(fileno(out)) != 0))
      return std::fclose(out), remove(i + 1), Status::IoError("cannot sync " + path(i), errno);
    if (std::fclose(out) != 0) return remove(i + 1), Status::IoError("cannot write " + path(i), errno);
  }
  if (durability == Durability::kOnceAtEnd)
    if (Status s = PosixFileSystem().SyncFileSystem(folder); !s.ok()) return remove(sizes.size()), s;
  Timing t{Since(start), CpuSeconds() - cpu, QueueSeconds() - queue};
  remove(sizes.size());
  if (kept) *kept += sizes.size();
  return t;
}

Status RemovePlainFiles(const DataSet& set) {
  std::string out = Cp1250ToUtf8(set.output());
  auto names = PosixFileSystem().ListDirectory(out);
  if (!names.ok()) return names.status();
  for (const std::string& name : *names)
    if (name.rfind(kPlainPrefix, 0) == 0)
      if (Status s = PosixFileSystem().DeleteFile(out + name); !s.ok()) return s;
  return Status::Ok();
}

Result<ReadFigures> MeasureReading(const DataSet& set, int repeats) {
  ReadFigures f;
  std::vector<std::string> paths = WorkFilePaths(set);
  for (const std::string& path : paths) {
    auto size = PosixFileSystem().FileSize(path);
    if (!size.ok()) return size.status();
    f.file_bytes += *size;
  }
  if (auto warm = PlainReadSeconds(paths); !warm.ok()) return warm.status();
  for (int i = 0; i < repeats; ++i) {
    auto plain = PlainReadSeconds(paths);
    if (!plain.ok()) return plain.status();
    auto pass = ReadOnce(set);
    if (!pass.ok()) return pass.status();
    bool best = i == 0 || pass->open_seconds + pass->walk_seconds < f.open_seconds + f.walk_seconds;
    if (best) {
      f.headers = pass->headers;
      f.lines = pass->lines;
      f.record_bytes = pass->record_bytes;
      f.open_seconds = pass->open_seconds;
      f.walk_seconds = pass->walk_seconds;
    }
    if (i == 0 || *plain < f.plain_seconds) f.plain_seconds = *plain;
  }
  return f;
}

Result<RunFigures> MeasureRun(const DataSet& set, int repeats, bool keep_plain, bool fsync_each) {
  RunFigures f;
  std::string out = Cp1250ToUtf8(set.output());
  // Each pass runs once and then writes its baselines, so a stretch of time when the machine
  // is slower (a shared host) weighs on both sides alike.
  if (Status s = RunOnce(set, &f); !s.ok()) return s;
  auto sizes = OutputSizes(PosixFileSystem(), out);
  if (!sizes.ok()) return sizes.status();
  f.xml_files = sizes->size();
  for (uint64_t size : *sizes) f.xml_bytes += size;
  auto best = [](double seconds, double* kept) {
    if (*kept == 0 || seconds < *kept) *kept = seconds;
  };
  size_t kept = 0;
  for (int i = 0; i < repeats; ++i) {
    if (i > 0)
      if (Status s = RunOnce(set, &f); !s.ok()) return s;
    auto plain = PlainWrite(out, *sizes, Durability::kNone, &kept);
    if (!plain.ok()) return plain.status();
    best(plain->seconds, &f.plain_seconds);
    best(plain->cpu_seconds, &f.plain_cpu_seconds);
    if (i == 0 && fsync_each) {  // far slower than the run, and not a target: measured once
      auto synced = PlainWrite(out, *sizes, Durability::kEachFile, &kept);
      if (!synced.ok()) return synced.status();
      f.synced_seconds = synced->seconds;
    }
    auto once = PlainWrite(out, *sizes, Durability::kOnceAtEnd, &kept);
    if (!once.ok()) return once.status();
    if (f.synced_once_seconds == 0 || once->seconds < f.synced_once_seconds)
      f.synced_once_queue_seconds = once->queue_seconds;
    best(once->seconds, &f.synced_once_seconds);
  }
  if (!keep_plain)
    if (Status s = RemovePlainFiles(set); !s.ok()) return s;
  return f;
}

Result<RunFigures> MeasureRunAlone(const DataSet& set) {
  RunFigures f;
  if (Status s = RunOnce(set, &f); !s.ok()) return s;
  return f;
}

Result<WriterFigures> MeasureInvoiceWriter(const DataSet& set) {
  OpenWorkData data(set);
  if (Status s = data.files.OpenAll(); !s.ok()) return s;
  if (workdata::WalkHeaders(data.files, [] { return false; }) == 0)
    return Status::NotFound("no invoice in " + set.root);
  WriterFigures f;
  f.lines = workdata::WalkLines(data.files, [] { return true; });
  std::string name = InvoiceFileName(data.files.headers().buffer().U32(workdata::eRACUNI::IDENTRACUN));
  Clock::time_point start = Clock::now();
  Status s = settings::SelectsEslog20(data.settings)
                 ? eslog20::IzdelajXMLRacun20(data.settings, data.files, PosixFileSystem(), name)
                       .status
                 : eslog::IzdelajXMLRacun(data.settings, data.files, PosixFileSystem(), name);
  f.seconds = Since(start);
  if (!s.ok()) return s;
  auto size = PosixFileSystem().FileSize(Cp1250ToUtf8(set.output()) + name);
  if (!size.ok()) return size.status();
  f.xml_bytes = *size;
  return f;
}

uint64_t PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6)) * 1024;
  return 0;
}

}  // namespace eracuni::bench
