// Report: the benchmark's figures as text, and the verdict on each target.
//
// A measuring process prints its figures as "name=value" lines; the reporting process reads
// them back, adds the peak memory it saw for that process, and prints one table with the
// ratios the targets are stated in. Everything here is plain text work, kept apart from the
// measuring so that it can be checked without a data set.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace eracuni::bench {

using Figures = std::map<std::string, double>;

std::string FormatFigures(const Figures& figures);
// Lines that are not "name=number" are ignored.
Figures ParseFigures(std::string_view text);

// Figure names shared by the measuring and the reporting side.
namespace fig {
inline constexpr const char* kInvoices = "invoices";
inline constexpr const char* kHeaders = "headers";
inline constexpr const char* kLines = "lines";
inline constexpr const char* kRecordBytes = "record_bytes";
inline constexpr const char* kFileBytes = "file_bytes";
inline constexpr const char* kOpenSeconds = "open_seconds";
inline constexpr const char* kWalkSeconds = "walk_seconds";
inline constexpr const char* kPlainReadSeconds = "plain_read_seconds";
inline constexpr const char* kRunSeconds = "run_seconds";
inline constexpr const char* kPlainWriteSeconds = "plain_write_seconds";
inline constexpr const char* kRunCpuSeconds = "run_cpu_seconds";
inline constexpr const char* kPlainWriteCpuSeconds = "plain_write_cpu_seconds";
inline constexpr const char* kSyncedWriteSeconds = "synced_write_seconds";
inline constexpr const char* kSyncedOnceWriteSeconds = "synced_once_write_seconds";
inline constexpr const char* kRunQueueSeconds = "run_queue_seconds";
inline constexpr const char* kSyncedOnceQueueSeconds = "synced_once_queue_seconds";
inline constexpr const char* kXmlBytes = "xml_bytes";
inline constexpr const char* kXmlFiles = "xml_files";
inline constexpr const char* kMessages = "messages";
inline constexpr const char* kProgramRuns = "program_runs";
inline constexpr const char* kWriterSeconds = "writer_seconds";
inline constexpr const char* kPeakBytes = "peak_bytes";
}  // namespace fig

struct Verdict {
  std::string target;  // what is promised
  std::string found;   // what was measured
  bool met = false;
};

// The targets over the whole-run measurements (ascending by size) and the invoice writer's
// measurements (ascending by lines). A missing size or figure is a target not met.
std::vector<Verdict> Judge(const std::vector<Figures>& sizes, const std::vector<Figures>& writer);

// The whole report: the machine line, one row per size, the writer rows, the verdicts.
std::string FormatReport(const std::string& machine, const std::vector<Figures>& sizes,
                         const std::vector<Figures>& writer);

}  // namespace eracuni::bench
