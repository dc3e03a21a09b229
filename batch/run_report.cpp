#include "batch/run_report.h"

#include <string_view>

#include "batch/names.h"
#include "framework/cp1250.h"
#include "workdata/record_buffer.h"

namespace eracuni::batch {
namespace {

// Screen and paper: the tables keep their heads on every printed page, rows are not split.
constexpr const char* kStyle = R"(
body { font-family: "DejaVu Sans", Arial, Helvetica, sans-serif; font-size: 10pt; color: #111;
       margin: 20px; }
h1 { font-size: 16pt; margin: 0 0 2px 0; }
h2 { font-size: 12pt; margin: 18px 0 6px 0; padding-bottom: 2px; border-bottom: 1px solid #777; }
p.sub { margin: 0 0 12px 0; color: #444; }
table { border-collapse: collapse; width: 100%; }
th, td { border: 1px solid #999; padding: 3px 6px; text-align: left; vertical-align: top; }
th { background-color: #e8e8e8; }
table.facts th { width: 11em; background-color: #f3f3f3; font-weight: normal; }
td.num { text-align: right; white-space: nowrap; }
td.path { word-break: break-all; }
ul.reasons { margin: 2px 0 0 0; padding-left: 1.2em; }
span.written, td.written { color: #14541f; }
span.warning, td.warning { color: #7a4b00; font-weight: bold; }
span.failed, td.failed { color: #a00000; font-weight: bold; }
span.idle, td.idle { color: #555; font-style: italic; }
tr.failed td { background-color: #fbe9e9; }
tr.warning td { background-color: #fdf5e3; }
p.summary { margin: 6px 0; }
ol.messages li { margin-bottom: 4px; }
@page { size: A4; margin: 14mm; }
@media print {
  body { margin: 0; font-size: 9pt; }
  thead { display: table-header-group; }
  tr, li { page-break-inside: avoid; }
  h2 { page-break-after: avoid; }
}
)";

using workdata::ClipBoth;

// Builds the page: Text() takes windows-1250 and escapes it, Tag() writes markup as it is.
// What is built goes to the sink at each Flush(), so only a piece is ever held here.
class Page {
 public:
  explicit Page(ByteSink& sink) : sink_(sink) {}

  Page& Tag(std::string_view html) {
    out_ += html;
    return *this;
  }
  Page& Text(std::string_view cp1250) {
    std::string plain;
    for (char c : cp1250) {
      const char* entity = Entity(c);
      if (entity == nullptr) {
        plain += IsControl(c) ? ' ' : c;  // a blank shows where it stood
        continue;
      }
      out_ += Cp1250ToUtf8(plain);
      out_ += entity;
      plain.clear();
    }
    out_ += Cp1250ToUtf8(plain);
    return *this;
  }
  // A message text: "|" starts a new line.
  Page& Lines(std::string_view cp1250) {
    size_t start = 0;
    for (size_t bar = cp1250.find('|'); bar != std::string_view::npos;
         start = bar + 1, bar = cp1250.find('|', start))
      Text(cp1250.substr(start, bar - start)).Tag("<br>");
    return Text(cp1250.substr(start));
  }
  Page& Cell(std::string_view cp1250, const char* cls = nullptr) {
    Tag(cls ? std::string("<td class=\"") + cls + "\">" : std::string("<td>"));
    return Text(cp1250).Tag("</td>");
  }
  Page& Row(std::string_view label, std::string_view cp1250) {
    return Tag("<tr><th>").Text(label).Tag("</th>").Cell(cp1250).Tag("</tr>\n");
  }
  // Hands the piece built so far to the sink; after a failure pieces are dropped.
  Page& Flush() {
    if (status_.ok() && !out_.empty()) status_ = sink_.Write(out_);
    out_.clear();
    return *this;
  }
  const Status& status() const { return status_; }

 private:
  // Control characters have no place in a page.
  static bool IsControl(char c) {
    return (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') || c == 0x7F;
  }
  static const char* Entity(char c) {
    switch (c) {
      case '&':
        return "&amp;";
      case '<':
        return "&lt;";
      case '>':
        return "&gt;";
      case '"':
        return "&quot;";
      case '\'':
        return "&#39;";
      default:
        return nullptr;
    }
  }

  ByteSink& sink_;
  std::string out_;
  Status status_;
};

std::string_view NameOf(std::string_view path) {
  size_t sep = path.find_last_of("/\\");
  return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

// A path inside the output folder is shown by its name, any other in full.
std::string_view Shown(std::string_view path, std::string_view folder) {
  if (!folder.empty() && path.substr(0, folder.size()) == folder &&
      path.find_first_of("/\\", folder.size()) == std::string_view::npos)
    return path.substr(folder.size());
  return path;
}

// "1.234.567 B": bookkeepers read thousands by dots.
std::string Bytes(uint64_t n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) out += '.';
    out += digits[i];
  }
  return out + " B";
}

// "2026-12-08 09:30:15" as "08.12.2026 ob 09:30:15"; anything else as it is.
std::string When(std::string_view started) {
  if (started.size() != 19 || started[4] != '-' || started[7] != '-' || started[10] != ' ')
    return std::string(started);
  return std::string(started.substr(8, 2)) + "." + std::string(started.substr(5, 2)) + "." +
         std::string(started.substr(0, 4)) + " ob " + std::string(started.substr(11));
}

std::string ChannelText(std::string_view code) {
  for (const ChannelRadio& r : kChannelRadios)
    if (code.size() == 1 && code[0] == r.code)
      return std::string(code) + " \x96 " + std::string(ClipBoth(r.text));
  return std::string(code);
}

const char* StatusClass(InvoiceStatus s) {
  switch (s) {
    case InvoiceStatus::kWritten:
      return "written";
    case InvoiceStatus::kWrittenWithWarnings:
      return "warning";
    case InvoiceStatus::kRefused:
    case InvoiceStatus::kNotWritten:
      return "failed";
    case InvoiceStatus::kNotReached:
      break;
  }
  return "idle";
}

void Head(Page& p, const RunJournal& j) {
  std::string envelope(NameOf(j.envelope_path));
  p.Tag("<!DOCTYPE html>\n<html lang=\"sl\">\n<head>\n<meta charset=\"utf-8\">\n<title>")
      .Text("Poro\xE8ilo o izdelavi e-ra\xE8unov");
  if (!envelope.empty()) p.Text(" \x96 ").Text(envelope);
  p.Tag("</title>\n<style>")
      .Tag(kStyle)
      .Tag("</style>\n</head>\n<body>\n<h1>")
      .Text("Poro\xE8ilo o izdelavi e-ra\xE8unov")
      .Tag("</h1>\n<p class=\"sub\">")
      .Text(envelope)
      .Tag("</p>\n<table class=\"facts\">\n")
      .Row("Izdelano", When(j.started))
      .Row("Mapa programa", j.folder)
      .Row("Izhodna mapa", j.output_folder)
      .Row("Kanal", ChannelText(j.channel))
      .Row("Razli\xE8ica e-SLOG", j.version)
      .Tag("</table>\n");
}

void Summary(Page& p, const RunJournal& j) {
  int counts[5] = {};
  for (const InvoiceOutcome& i : j.invoices) ++counts[static_cast<int>(i.status)];
  std::string line = "Ra\xE8unov v delovnih podatkih: " + std::to_string(j.invoices.size());
  const InvoiceStatus order[] = {InvoiceStatus::kWritten, InvoiceStatus::kWrittenWithWarnings,
                                 InvoiceStatus::kRefused, InvoiceStatus::kNotWritten,
                                 InvoiceStatus::kNotReached};
  for (InvoiceStatus s : order)
    if (counts[static_cast<int>(s)] != 0)
      line += std::string(", ") + InvoiceStatusText(s) + ": " +
              std::to_string(counts[static_cast<int>(s)]);
  p.Tag("<p class=\"summary\">").Text(line).Tag("</p>\n");
}

void Invoices(Page& p, const RunJournal& j) {
  p.Tag("<h2>").Text("Ra\xE8uni").Tag("</h2>\n");
  Summary(p, j);
  if (j.invoices.empty()) {
    p.Tag("<p>").Text("V delovnih podatkih ni ra\xE8unov.").Tag("</p>\n");
    return;
  }
  p.Tag("<table>\n<thead><tr><th>#</th><th>")
      .Text("\x8Atevilka")
      .Tag("</th><th>Kupec</th><th>Datum</th><th>")
      .Text("Za pla\xE8ilo")
      .Tag("</th><th>Dokument</th><th>Stanje</th></tr></thead>\n<tbody>\n");
  int n = 0;
  for (const InvoiceOutcome& i : j.invoices) {
    const char* cls = StatusClass(i.status);
    p.Tag(std::string("<tr class=\"") + cls + "\">")
        .Cell(std::to_string(++n), "num")
        .Cell(i.number)
        .Cell(i.buyer)
        .Cell(i.date)
        .Cell(i.amount, "num")
        .Cell(Shown(i.document, j.output_folder), "path")
        .Tag(std::string("<td><span class=\"") + cls + "\">")
        .Text(InvoiceStatusText(i.status))
        .Tag("</span>");
    if (!i.reasons.empty()) {
      p.Tag("<ul class=\"reasons\">");
      for (const std::string& r : i.reasons) p.Tag("<li>").Lines(r).Tag("</li>");
      p.Tag("</ul>");
    }
    p.Tag("</td></tr>\n").Flush();
  }
  p.Tag("</tbody>\n</table>\n");
}

void Attachments(Page& p, const RunJournal& j) {
  size_t missing = 0;
  for (const AttachmentOutcome& a : j.attachments) missing += a.present ? 0 : 1;
  p.Tag("<h2>").Text("Priloge");
  if (missing != 0) p.Text(" (manjkajo\xE8ih: " + std::to_string(missing) + ")");
  p.Tag("</h2>\n");
  if (j.attachments.empty()) {
    p.Tag("<p>").Text("Ra\xE8uni nimajo prilog.").Tag("</p>\n");
    return;
  }
  p.Tag("<table>\n<thead><tr><th>")
      .Text("Ra\xE8un")
      .Tag("</th><th>Datoteka</th><th>Velikost</th><th>Stanje</th></tr></thead>\n<tbody>\n");
  for (const AttachmentOutcome& a : j.attachments) {
    p.Tag(a.present ? "<tr>" : "<tr class=\"failed\">")
        .Cell(a.invoice_number)
        .Cell(a.path, "path")
        .Cell(a.present ? Bytes(a.size) : std::string(), "num");
    if (a.present)
      p.Cell(
          "prilo\x9E"
          "ena",
          "written");
    else
      p.Cell(a.problem.empty() ? std::string("manjka") : a.problem, "failed");
    p.Tag("</tr>\n").Flush();
  }
  p.Tag("</tbody>\n</table>\n");
}

void Outputs(Page& p, const RunJournal& j) {
  p.Tag("<h2>").Text("Ovojnica in paket").Tag("</h2>\n<table class=\"facts\">\n");
  std::string envelope(j.envelope_path.empty() ? std::string_view("\x96")
                                               : Shown(j.envelope_path, j.output_folder));
  p.Row("Ovojnica", envelope);
  if (j.envelope_files.size() > 1) {  // G and U: one envelope file per invoice
    std::string files;
    for (const std::string& f : j.envelope_files)
      files += (files.empty() ? "" : ", ") + std::string(Shown(f, j.output_folder));
    p.Row("Datoteke ovojnice", files);
  }
  p.Row("Velikost ovojnice",
        j.envelope_written ? Bytes(j.envelope_size) : std::string("ovojnica ni zapisana"));
  if (j.package_path.empty()) {
    p.Row("Paket", "za ta kanal se paket ne izdela");
  } else {
    p.Row("Paket", Shown(j.package_path, j.output_folder));
    if (j.package_made) {
      p.Row("Velikost paketa", Bytes(j.package_size));
    } else {
      std::string why = "paket ni izdelan";
      if (!j.package_problem.empty()) why += ": " + j.package_problem;
      p.Tag("<tr><th>Stanje paketa</th>").Cell(why, "failed").Tag("</tr>\n");
    }
  }
  p.Tag("</table>\n");
  if (!j.package_files.empty()) {
    p.Tag("<p>")
        .Text("Datoteke v paketu (" + std::to_string(j.package_files.size()) + "):")
        .Tag("</p>\n<ul>");
    for (const std::string& f : j.package_files) p.Tag("<li>").Text(f).Tag("</li>").Flush();
    p.Tag("</ul>\n");
  }
}

void Messages(Page& p, const RunJournal& j) {
  p.Tag("<h2>").Text("Sporo\xE8ila").Tag("</h2>\n");
  if (j.messages.empty()) {
    p.Tag("<p>").Text("Izdelava ni pokazala nobenega sporo\xE8ila.").Tag("</p>\n");
    return;
  }
  p.Tag("<ol class=\"messages\">\n");
  for (const std::string& m : j.messages) {
    size_t colon = m.find(": ");
    p.Tag("<li>");
    if (colon != std::string::npos) {
      p.Tag("<b>").Text(std::string_view(m).substr(0, colon)).Tag("</b>: ");
      p.Lines(std::string_view(m).substr(colon + 2));
    } else {
      p.Lines(m);
    }
    p.Tag("</li>\n").Flush();
  }
  p.Tag("</ol>\n");
}

}  // namespace

const char* InvoiceStatusText(InvoiceStatus status) {
  switch (status) {
    case InvoiceStatus::kWritten:
      return "zapisan";
    case InvoiceStatus::kWrittenWithWarnings:
      return "zapisan z opozorili";
    case InvoiceStatus::kRefused:
      return "zavrnjen";
    case InvoiceStatus::kNotWritten:
      return "ni zapisan";
    case InvoiceStatus::kNotReached:
      break;
  }
  return "ni obdelan";
}

Status RenderRunReport(const RunJournal& journal, ByteSink& sink) {
  Page p(sink);
  for (auto section : {Head, Invoices, Attachments, Outputs, Messages}) {
    section(p, journal);
    p.Flush();
  }
  return p.Tag("</body>\n</html>\n").Flush().status();
}

std::string RenderRunReport(const RunJournal& journal) {
  StringSink page;
  RenderRunReport(journal, page);
  return page.Take();
}

}  // namespace eracuni::batch
