// eracuni-workdata: builds work-data files from JSON and shows them again as JSON.
//
//   create --from FILE.json --into DIR   writes eRACUNI.TPS, eRACUNIP.TPS and eRACPRIL.TPS
//   dump [--all] DIR                     prints the three files as JSON, records in key order
//   dump-tps FILE, copy-tps IN OUT       low-level views of one TopSpeed file
//
// Exit codes: 0 done, 1 a file could not be written or read, 2 bad input or usage.
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "framework/file_names.h"
#include "framework/platform.h"
#include "workdata/json_mapping.h"
#include "workdata/record_buffer.h"
#include "workdata/table_driver.h"
#include "workdata/tps/tps_store.h"
#include "workdata/tps/tps_tool.h"

namespace eracuni::workdata {
namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kBadInput = 2;

constexpr char kUsage[] =
    "usage: eracuni-workdata create --from FILE.json --into DIR\n"
    "       eracuni-workdata dump [--all] DIR\n"
    "       eracuni-workdata dump-tps FILE\n"
    "       eracuni-workdata copy-tps IN OUT\n"
    "create writes eRACUNI.TPS, eRACUNIP.TPS and eRACPRIL.TPS into DIR from a JSON object\n"
    "with the arrays \"eRACUNI\", \"eRACUNIP\", \"eRACPRIL\"; dump prints them back (--all: blank\n"
    "fields too). Exit codes: 0 done, 1 a file could not be written or read, 2 bad input.\n";

int Usage(const char* problem) {
  std::fprintf(stderr, "eracuni-workdata: %s\n%s", problem, kUsage);
  return kBadInput;
}

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "eracuni-workdata: %s\n", message.c_str());
  return code;
}

struct FileOfSet {
  const Layout& layout;
  const std::vector<std::string>& records;
};

std::string InFolder(std::string dir, std::string_view name) {
  if (!dir.empty() && !IsPathSeparator(dir.back())) dir += '/';
  return dir + std::string(name);
}

// The three files are written under temporary names first and renamed only when all three
// are complete, so a failure leaves the folder as it was.
int Create(FileSystem& fs, const std::string& from, const std::string& into) {
  Result<std::string> text = fs.ReadFile(from);
  if (!text.ok()) return Fail(kBadInput, "cannot read " + from + ": " + text.status().message());
  Result<WorkDataRecords> data = WorkDataFromJson(*text);
  if (!data.ok()) return Fail(kBadInput, from + ": " + data.status().message());
  if (!fs.IsDirectory(into)) return Fail(kBadInput, into + " is not a folder");

  const FileOfSet files[] = {{HeaderLayout(), data->headers},
                             {LineLayout(), data->lines},
                             {AttachmentLayout(), data->attachments}};
  std::vector<std::string> written;
  for (const FileOfSet& f : files) {
    std::string temp = InFolder(into, "." + std::string(f.layout.file_name) + ".new");
    Status s = tps::WriteTable(fs, temp, f.layout, f.records);
    if (!s.ok()) {
      fs.DeleteFile(temp);
      for (const std::string& w : written) fs.DeleteFile(w);
      return Fail(kFailed,
                  "cannot write " + InFolder(into, f.layout.file_name) + ": " + s.message());
    }
    written.push_back(temp);
  }
  for (size_t i = 0; i < written.size(); ++i) {
    std::string target = InFolder(into, files[i].layout.file_name);
    Status s = fs.RenameFile(written[i], target);
    if (!s.ok()) {
      for (size_t j = i; j < written.size(); ++j) fs.DeleteFile(written[j]);
      return Fail(kFailed, "cannot rename into " + target + ": " + s.message());
    }
  }
  return kDone;
}

// Reads one file through the TopSpeed driver, in key order.
Result<std::vector<std::string>> ReadInKeyOrder(TableDriver& driver, const std::string& path,
                                                const Layout& layout) {
  OpenResult r = driver.Open(path, layout, AccessMode{.write = false, .deny_none = true});
  if (r.outcome != OpenOutcome::kOk || !r.table) {
    std::string why = r.error_text.empty() ? "cannot be opened" : r.error_text;
    if (!r.driver_text.empty() && r.driver_text != r.error_text) why += " (" + r.driver_text + ")";
    return Status::InvalidArgument(path + ": " + why);
  }
  RecordBuffer buffer(layout);
  r.table->Set(buffer);
  std::vector<std::string> records;
  while (r.table->Next(buffer)) records.emplace_back(buffer.bytes());
  return records;
}

int Dump(FileSystem& fs, const std::string& dir, bool all) {
  if (!fs.IsDirectory(dir)) return Fail(kBadInput, dir + " is not a folder");
  std::unique_ptr<TableDriver> driver = tps::NewTopSpeedDriver(fs);
  WorkDataRecords data;
  struct Target {
    const Layout& layout;
    std::vector<std::string>& records;
  };
  const Target targets[] = {{HeaderLayout(), data.headers},
                            {LineLayout(), data.lines},
                            {AttachmentLayout(), data.attachments}};
  for (const Target& t : targets) {
    auto records = ReadInKeyOrder(*driver, InFolder(dir, t.layout.file_name), t.layout);
    if (!records.ok()) return Fail(kBadInput, records.status().message());
    t.records = std::move(*records);
  }
  std::string json = WorkDataToJson(data, {.all_fields = all});
  if (std::fwrite(json.data(), 1, json.size(), stdout) != json.size() || std::fflush(stdout) != 0)
    return Fail(kFailed, "cannot write to standard output");
  return kDone;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return Usage("no command");
  const std::string& cmd = args[0];
  if (cmd == "-h" || cmd == "--help") {
    std::fputs(kUsage, stdout);
    return kDone;
  }
  FileSystem& fs = SystemFileSystem();
  if (cmd == "create") {
    std::string from, into;
    for (size_t i = 1; i < args.size(); i += 2) {
      if (i + 1 >= args.size()) return Usage(("missing value after " + args[i]).c_str());
      if (args[i] == "--from" && from.empty())
        from = args[i + 1];
      else if (args[i] == "--into" && into.empty())
        into = args[i + 1];
      else
        return Usage(("unexpected argument " + args[i]).c_str());
    }
    if (from.empty() || into.empty()) return Usage("create needs --from and --into");
    return Create(fs, from, into);
  }
  if (cmd == "dump") {
    bool all = args.size() == 3 && args[1] == "--all";
    if (args.size() != (all ? 3u : 2u)) return Usage("dump needs one folder");
    return Dump(fs, args.back(), all);
  }
  if (cmd == "dump-tps") {
    if (args.size() != 2) return Usage("dump-tps needs one file");
    return tps::DumpTps(args[1], std::cout, std::cerr);
  }
  if (cmd == "copy-tps") {
    if (args.size() != 3) return Usage("copy-tps needs an input and an output file");
    return tps::CopyTps(args[1], args[2], std::cerr);
  }
  return Usage(("unknown command " + cmd).c_str());
}

}  // namespace
}  // namespace eracuni::workdata

int main(int argc, char** argv) {
  return eracuni::workdata::Run(eracuni::StartProcess(argc, argv));
}
