// The run's own entries in its journal, and the report written from the journal.
#include <cstdio>

#include "batch/messages.h"
#include "batch/names.h"
#include "batch/run_report.h"
#include "batch/stages.h"
#include "framework/cp1250.h"
#include "framework/whole_file.h"

namespace eracuni::batch {
namespace {

using workdata::ClipRight;

std::string Timestamp(const LocalDateTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return buf;
}

}  // namespace

std::string EslogVersion(const settings::Settings& s) {
  return settings::SelectsEslog20(s) ? "2.0" : "1.6";
}

void BeginJournal(BatchContext& ctx, WindowState& w) {
  RunJournal& j = w.journal;
  j.started = Timestamp(ctx.platform.clock.Now());
  j.folder = ToMessageText(ctx.platform.files.CurrentDirectory());
  j.output_folder = std::string(ClipRight(ctx.settings.POTDOXMLRACUNOV));
  j.channel = std::string(1, ctx.settings.KATERABANKA);
  j.version = EslogVersion(ctx.settings);
}

void WriteRunReport(BatchContext& ctx, WindowState& w) {
  RunJournal& j = w.journal;
  // A run stopped before its envelope was named (an unusable output folder) has told why
  // and has no folder to put a report in: never beside the program instead.
  if (w.DATOTEKAOVOJNICE.empty()) return;
  if (j.package_made && j.package_size == 0) {
    Result<uint64_t> size = ctx.platform.files.FileSize(Cp1250ToUtf8(j.package_path));
    if (size.ok()) j.package_size = *size;
  }
  std::string path = ReportPath(w.DATOTEKAOVOJNICE);
  j.report_path = path;
  Status s = WriteWholeFile(ctx.platform.files, Cp1250ToUtf8(path),
                            [&j](ByteSink& page) { return RenderRunReport(j, page); });
  if (s.ok()) {
    w.report_visible = true;
    return;
  }
  j.report_path.clear();
  // A report of an earlier run under this name would tell of the wrong run.
  ctx.platform.files.DeleteFile(Cp1250ToUtf8(path));
  ShowWarning(ctx.platform.messages, ReportNotWritten(path, s), caption::kWarning);
}

Result<std::string> ReadRunReport(BatchContext& ctx, const WindowState& w) {
  const std::string& path = w.journal.report_path;
  Result<std::string> page = ctx.platform.files.ReadFile(Cp1250ToUtf8(path));
  if (!page.ok())
    ShowWarning(ctx.platform.messages, ReportNotOpened(path, page.status()), caption::kWarning);
  return page;
}

}  // namespace eracuni::batch
