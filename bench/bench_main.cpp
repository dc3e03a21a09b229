// eracuni-bench: measures data sets made by eracuni-bench-data.
//
//   eracuni-bench report [--repeats N] DATASET... [--writer DATASET...]
//   eracuni-bench measure [--repeats N] [--keep-plain] [--no-fsync-each] DATASET
//                                                   (one size, figures as name=value)
//   eracuni-bench writer DATASET                    (the invoice writer on the first invoice)
//   eracuni-bench run DATASET                       (the whole run alone, to profile)
//
// report measures every data set in passes (--repeats, one each by default), each pass in a
// process of its own, so that the peak memory of one run is not masked by another, and
// prints the best of each figure, the table and the verdicts. The baselines'
// files are removed only after the last measurement (measure.h says why). The whole-run data
// sets come in ascending size, the writer's in ascending lines.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/measure.h"
#include "bench/report.h"

extern char** environ;

namespace eracuni::bench {
namespace {

constexpr char kUsage[] =
    "usage: eracuni-bench report [--repeats N] DATASET... [--writer DATASET...]\n"
    "       eracuni-bench measure [--repeats N] [--keep-plain] [--no-fsync-each] DATASET\n"
    "       eracuni-bench writer DATASET\n"
    "       eracuni-bench run DATASET\n";

DataSet SetAt(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return {folder};
}

int Fail(const Status& s) {
  std::fprintf(stderr, "eracuni-bench: %s\n", s.ToString().c_str());
  return 1;
}

int Measure(const std::string& folder, int repeats, bool keep_plain, bool fsync_each) {
  DataSet set = SetAt(folder);
  auto read = MeasureReading(set, repeats);
  if (!read.ok()) return Fail(read.status());
  auto run = MeasureRun(set, repeats, keep_plain, fsync_each);
  if (!run.ok()) return Fail(run.status());
  Figures f = {{fig::kInvoices, double(run->invoices)},
               {fig::kHeaders, double(read->headers)},
               {fig::kLines, double(read->lines)},
               {fig::kRecordBytes, double(read->record_bytes)},
               {fig::kFileBytes, double(read->file_bytes)},
               {fig::kOpenSeconds, read->open_seconds},
               {fig::kWalkSeconds, read->walk_seconds},
               {fig::kPlainReadSeconds, read->plain_seconds},
               {fig::kRunSeconds, run->seconds},
               {fig::kPlainWriteSeconds, run->plain_seconds},
               {fig::kRunCpuSeconds, run->cpu_seconds},
               {fig::kPlainWriteCpuSeconds, run->plain_cpu_seconds},
               {fig::kSyncedWriteSeconds, run->synced_seconds},
               {fig::kSyncedOnceWriteSeconds, run->synced_once_seconds},
               {fig::kRunQueueSeconds, run->queue_seconds},
               {fig::kSyncedOnceQueueSeconds, run->synced_once_queue_seconds},
               {fig::kXmlBytes, double(run->xml_bytes)},
               {fig::kXmlFiles, double(run->xml_files)},
               {fig::kMessages, double(run->messages)},
               {fig::kProgramRuns, double(run->program_runs)},
               {fig::kPeakBytes, double(PeakResidentBytes())}};
  std::fputs(FormatFigures(f).c_str(), stdout);
  return 0;
}

int Writer(const std::string& folder) {
  auto w = MeasureInvoiceWriter(SetAt(folder));
  if (!w.ok()) return Fail(w.status());
  Figures f = {{fig::kLines, double(w->lines)},
               {fig::kXmlBytes, double(w->xml_bytes)},
               {fig::kWriterSeconds, w->seconds},
               {fig::kPeakBytes, double(PeakResidentBytes())}};
  std::fputs(FormatFigures(f).c_str(), stdout);
  return 0;
}

int RunAlone(const std::string& folder) {
  auto run = MeasureRunAlone(SetAt(folder));
  if (!run.ok()) return Fail(run.status());
  Figures f = {{fig::kInvoices, double(run->invoices)},
               {fig::kRunSeconds, run->seconds},
               {fig::kRunCpuSeconds, run->cpu_seconds},
               {fig::kRunQueueSeconds, run->queue_seconds},
               {fig::kPeakBytes, double(PeakResidentBytes())}};
  std::fputs(FormatFigures(f).c_str(), stdout);
  return 0;
}

// Runs this program with `args` and returns its figures, with the peak memory the kernel
// recorded for that one process.
Result<Figures> Child(const std::vector<std::string>& args) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return Status::IoError("pipe", errno);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  std::string self = "/proc/self/exe";
  std::vector<char*> argv{self.data()};
  std::vector<std::string> copies = args;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  if (rc != 0) {
    close(pipe_fds[0]);
    return Status::IoError("cannot start the measuring process", rc);
  }
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = read(pipe_fds[0], buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
  close(pipe_fds[0]);
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return Status::IoError("measuring " + args.back() + " failed");
  Figures f = ParseFigures(out);
  f[fig::kPeakBytes] = double(usage.ru_maxrss) * 1024;
  return f;
}

std::string FirstLineWith(const char* file, const std::string& prefix) {
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) return line.substr(line.find(':') + 1);
  return "?";
}

std::string Machine() {
  std::string model = FirstLineWith("/proc/cpuinfo", "model name");
  std::string memory = FirstLineWith("/proc/meminfo", "MemTotal");
  auto trim = [](std::string s) { return s.substr(s.find_first_not_of(" \t")); };
  return std::to_string(std::thread::hardware_concurrency()) + " cores," + model + ", " +
         trim(memory) + " memory";
}

// The passes of one size, each in a process of its own: the best time of each figure, and
// the highest peak memory of one pass (a process that ran several passes would report the
// heap the earlier ones left).
void MergePass(const Figures& pass, Figures& best) {
  for (const auto& [name, value] : pass) {
    auto [it, added] = best.emplace(name, value);
    if (added) continue;
    const bool seconds = name.size() > 8 && name.compare(name.size() - 8, 8, "_seconds") == 0;
    if (name == fig::kPeakBytes)
      it->second = std::max(it->second, value);
    else if (seconds && value > 0 && (it->second == 0 || value < it->second))
      it->second = value;
  }
}

int Report(const std::vector<std::string>& sizes, const std::vector<std::string>& writer,
           int repeats) {
  std::vector<Figures> size_figures, writer_figures;
  for (const std::string& folder : sizes) {
    Figures best;
    for (int i = 0; i < repeats; ++i) {
      std::vector<std::string> args = {"measure", "--keep-plain", folder};
      if (i > 0) args.insert(args.begin() + 1, "--no-fsync-each");
      auto f = Child(args);
      if (!f.ok()) return Fail(f.status());
      MergePass(*f, best);
    }
    size_figures.push_back(best);
  }
  for (const std::string& folder : writer) {
    auto f = Child({"writer", folder});
    if (!f.ok()) return Fail(f.status());
    writer_figures.push_back(*f);
  }
  for (const std::string& folder : sizes)
    if (Status s = RemovePlainFiles(SetAt(folder)); !s.ok()) return Fail(s);
  std::fputs(FormatReport(Machine(), size_figures, writer_figures).c_str(), stdout);
  return 0;
}

int Main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return std::fputs(kUsage, stderr), 2;
  std::string command = args[0], repeats = "1";
  std::vector<std::string> sets, writer;
  bool writer_sets = false, keep_plain = false, fsync_each = true;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--repeats" && i + 1 < args.size()) repeats = args[++i];
    else if (args[i] == "--keep-plain") keep_plain = true;
    else if (args[i] == "--no-fsync-each") fsync_each = false;
    else if (args[i] == "--writer") writer_sets = true;
    else (writer_sets ? writer : sets).push_back(args[i]);
  }
  int n = std::atoi(repeats.c_str());
  if (n < 1) return std::fputs(kUsage, stderr), 2;
  if (command == "report" && !sets.empty()) return Report(sets, writer, n);
  if (command == "measure" && sets.size() == 1) return Measure(sets[0], n, keep_plain, fsync_each);
  if (command == "writer" && sets.size() == 1) return Writer(sets[0]);
  if (command == "run" && sets.size() == 1) return RunAlone(sets[0]);
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace
}  // namespace eracuni::bench

int main(int argc, char** argv) { return eracuni::bench::Main(argc, argv); }
