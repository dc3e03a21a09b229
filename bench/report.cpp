#include "bench/report.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace eracuni::bench {
namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kPeakLimit = 64 * kMiB;
constexpr double kWriteRatioLimit = 3.0;  // at least a third of plain-write throughput
constexpr double kDurableRatioLimit = 1.5;  // against plain writes followed by one sync
constexpr double kReadRatioLimit = 3.0;
constexpr double kLinearLimit = 1.20;
constexpr double kLineGrowthLimit = 1 * kMiB;

double Get(const Figures& f, const char* name) {
  auto it = f.find(name);
  return it == f.end() ? 0 : it->second;
}

double Ratio(double a, double b) { return b > 0 ? a / b : 0; }
double ReadSeconds(const Figures& f) {
  return Get(f, fig::kOpenSeconds) + Get(f, fig::kWalkSeconds);
}
double ReadRatio(const Figures& f) { return Ratio(ReadSeconds(f), Get(f, fig::kPlainReadSeconds)); }
double WriteRatio(const Figures& f) {
  return Ratio(Get(f, fig::kRunSeconds), Get(f, fig::kPlainWriteSeconds));
}
double SyncedRatio(const Figures& f) {
  return Ratio(Get(f, fig::kRunSeconds), Get(f, fig::kSyncedWriteSeconds));
}
double SyncedOnceRatio(const Figures& f) {
  return Ratio(Get(f, fig::kRunSeconds), Get(f, fig::kSyncedOnceWriteSeconds));
}
// The same, without the time either side waited for a processor on a shared machine.
double UnqueuedRatio(const Figures& f) {
  return Ratio(Get(f, fig::kRunSeconds) - Get(f, fig::kRunQueueSeconds),
               Get(f, fig::kSyncedOnceWriteSeconds) - Get(f, fig::kSyncedOnceQueueSeconds));
}
double CpuRatio(const Figures& f) {
  return Ratio(Get(f, fig::kRunCpuSeconds), Get(f, fig::kPlainWriteCpuSeconds));
}
double MicrosPerInvoice(const Figures& f) {
  return Ratio(Get(f, fig::kRunSeconds) * 1e6, Get(f, fig::kInvoices));
}

std::string Printf(const char* format, double a, double b = 0, double c = 0) {
  char buf[160];
  std::snprintf(buf, sizeof buf, format, a, b, c);
  return buf;
}

// The worst (highest) value of `measure` over the sizes, and the size it was met at.
template <typename Measure>
std::pair<double, double> Worst(const std::vector<Figures>& sizes, Measure measure) {
  std::pair<double, double> worst{0, 0};
  for (const Figures& f : sizes)
    if (measure(f) >= worst.first) worst = {measure(f), Get(f, fig::kInvoices)};
  return worst;
}

Verdict WriteVerdict(const std::vector<Figures>& sizes) {
  auto [ratio, at] = Worst(sizes, WriteRatio);
  return {"run writes XML at >= 1/3 of plain-write throughput",
          Printf("%.2fx the plain write's time at worst (%.0f invoices)", ratio, at),
          !sizes.empty() && ratio > 0 && ratio <= kWriteRatioLimit};
}

Verdict DurableWriteVerdict(const std::vector<Figures>& sizes) {
  auto [ratio, at] = Worst(sizes, SyncedOnceRatio);
  return {"whole run <= 1.5x plain writes of the same files followed by one sync",
          Printf("%.2fx at worst (%.0f invoices)", ratio, at),
          !sizes.empty() && ratio > 0 && ratio <= kDurableRatioLimit};
}

Verdict ReadVerdict(const std::vector<Figures>& sizes) {
  auto [ratio, at] = Worst(sizes, ReadRatio);
  return {"key-order reading <= 3x plain read()",
          Printf("%.2fx at worst (%.0f invoices)", ratio, at),
          !sizes.empty() && ratio > 0 && ratio <= kReadRatioLimit};
}

Verdict PeakVerdict(const std::vector<Figures>& sizes) {
  if (sizes.empty()) return {"peak memory < 64 MiB at the largest size", "no data", false};
  double peak = Get(sizes.back(), fig::kPeakBytes);
  return {"peak memory < 64 MiB at the largest size",
          Printf("%.1f MiB at %.0f invoices (%.1f MiB at the smallest)", peak / kMiB,
                 Get(sizes.back(), fig::kInvoices), Get(sizes.front(), fig::kPeakBytes) / kMiB),
          peak > 0 && peak < kPeakLimit};
}

Verdict LinearVerdict(const std::vector<Figures>& sizes) {
  if (sizes.size() < 2) return {"cost per invoice stays within 20 %", "needs two sizes", false};
  double ratio = Ratio(MicrosPerInvoice(sizes.back()), MicrosPerInvoice(sizes.front()));
  return {"cost per invoice at the largest size within 20 % of the smallest",
          Printf("%.2fx (%.0f vs %.0f us per invoice)", ratio, MicrosPerInvoice(sizes.back()),
                 MicrosPerInvoice(sizes.front())),
          ratio > 0 && ratio <= kLinearLimit};
}

Verdict WriterVerdict(const std::vector<Figures>& writer) {
  if (writer.size() < 2) return {"invoice writer's memory does not grow with lines", "needs two sizes", false};
  double growth = Get(writer.back(), fig::kPeakBytes) - Get(writer.front(), fig::kPeakBytes);
  return {"invoice writer's peak memory does not grow with its lines",
          Printf("%+.2f MiB from %.0f to %.0f lines", growth / kMiB, Get(writer.front(), fig::kLines),
                 Get(writer.back(), fig::kLines)),
          Get(writer.back(), fig::kPeakBytes) > 0 && growth <= kLineGrowthLimit};
}

std::string DurabilityRow(const Figures& f) {
  return Printf("%8.0f  %7.3f %7.3f", Get(f, fig::kInvoices), Get(f, fig::kRunCpuSeconds),
                Get(f, fig::kPlainWriteCpuSeconds)) +
         Printf(" %6.2f   %8.3f %6.2f", CpuRatio(f), Get(f, fig::kSyncedWriteSeconds),
                SyncedRatio(f)) +
         Printf("   %8.3f %6.2f", Get(f, fig::kSyncedOnceWriteSeconds), SyncedOnceRatio(f)) +
         Printf("  %6.3f %6.3f %6.2f\n", Get(f, fig::kRunQueueSeconds),
                Get(f, fig::kSyncedOnceQueueSeconds), UnqueuedRatio(f));
}

std::string SizeRow(const Figures& f) {
  double read = ReadSeconds(f), run = Get(f, fig::kRunSeconds);
  double records = Get(f, fig::kHeaders) + Get(f, fig::kLines);
  std::string row = Printf("%8.0f  %9.0f %7.1f", Get(f, fig::kInvoices), Ratio(records, read),
                           Ratio(Get(f, fig::kRecordBytes), read) / 1e6);
  row += Printf(" %7.3f %7.3f %5.2f", read, Get(f, fig::kPlainReadSeconds), ReadRatio(f));
  row += Printf("  %7.0f %7.1f %7.3f", Ratio(Get(f, fig::kInvoices), run),
                Ratio(Get(f, fig::kXmlBytes), run) / 1e6, run);
  row += Printf(" %7.3f %5.2f", Get(f, fig::kPlainWriteSeconds), WriteRatio(f));
  row += Printf("  %6.0f %7.1f\n", MicrosPerInvoice(f), Get(f, fig::kPeakBytes) / kMiB);
  return row;
}

}  // namespace

std::string FormatFigures(const Figures& figures) {
  std::string out;
  for (const auto& [name, value] : figures) out += name + "=" + Printf("%.9g", value) + "\n";
  return out;
}

Figures ParseFigures(std::string_view text) {
  Figures f;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) {
    size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    const char* value = line.c_str() + eq + 1;
    char* end = nullptr;
    double v = std::strtod(value, &end);
    if (end == value || *end != '\0') continue;
    f[line.substr(0, eq)] = v;
  }
  return f;
}

std::vector<Verdict> Judge(const std::vector<Figures>& sizes, const std::vector<Figures>& writer) {
  return {WriteVerdict(sizes), DurableWriteVerdict(sizes), ReadVerdict(sizes), PeakVerdict(sizes), LinearVerdict(sizes),
          WriterVerdict(writer)};
}

std::string FormatReport(const std::string& machine, const std::vector<Figures>& sizes,
                         const std::vector<Figures>& writer) {
  std::string out = "machine: " + machine + "\n\n";
  out += "                 reading (headers + lines, key order)         "
         "whole run (no outside programs)\n";
  out += "invoices  records/s    MB/s   secs   plain  ratio  "
         "invoic/s  XML MB/s   secs   plain  ratio   us/inv  peak MiB\n";
  for (const Figures& f : sizes) out += SizeRow(f);
  out += "\nwhole run against the same bytes: CPU time, plain writes with an fsync per file, "
         "and plain writes followed by one sync\n";
  out += "(queue: seconds each waited for a processor; the last ratio leaves them out)\n";
  out += "invoices  run cpu  plain cpu  ratio   synced s  ratio   1 sync s  ratio   "
         "queue: run  1 sync  ratio\n";
  for (const Figures& f : sizes) out += DurabilityRow(f);
  out += "\ninvoice writer alone (one invoice):\n";
  for (const Figures& f : writer)
    out += Printf("  %6.0f lines  %8.3f s  %7.2f MB XML", Get(f, fig::kLines),
                  Get(f, fig::kWriterSeconds), Get(f, fig::kXmlBytes) / 1e6) +
           Printf("  peak %6.1f MiB\n", Get(f, fig::kPeakBytes) / kMiB);
  out += "\ntargets:\n";
  for (const Verdict& v : Judge(sizes, writer))
    out += std::string(v.met ? "  met      " : "  NOT MET  ") + v.target + ": " + v.found + "\n";
  for (const Figures& f : sizes)
    if (Get(f, fig::kMessages) > 0)
      out += Printf("  warning: the run at %.0f invoices showed %.0f messages\n",
                    Get(f, fig::kInvoices), Get(f, fig::kMessages));
  return out;
}

}  // namespace eracuni::bench
