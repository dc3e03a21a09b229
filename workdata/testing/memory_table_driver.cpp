#include "workdata/testing/memory_table_driver.h"

#include <algorithm>
#include <utility>

namespace eracuni::workdata::testing {
namespace {

bool SameDeclaration(const Layout& a, const Layout& b) {
  if (a.record_size != b.record_size || a.rows.size() != b.rows.size()) return false;
  for (size_t i = 0; i < a.rows.size(); ++i) {
    const FieldRow& x = a.rows[i];
    const FieldRow& y = b.rows[i];
    if (x.name != y.name || x.offset != y.offset || x.width != y.width || x.type != y.type)
      return false;
  }
  return true;
}

// The platform's code and text for each failed outcome, as the TopSpeed driver reports them.
OpenResult Failure(OpenOutcome outcome) {
  OpenResult r;
  r.outcome = outcome;
  switch (outcome) {
    case OpenOutcome::kNotFound:
      r.error_code = 2, r.error_text = "File Not Found";
      break;
    case OpenOutcome::kAccessDenied:
      r.error_code = 5, r.error_text = "Access Denied";
      break;
    case OpenOutcome::kKeyMustBeRebuilt:
      r.error_code = 46, r.error_text = "Key Must Be Rebuilt";
      break;
    case OpenOutcome::kInvalidDeclaration:
      r.error_code = 47, r.error_text = "Invalid Record Declaration";
      r.driver_code = "47", r.driver_text = "stored layout differs";
      break;
    default:
      r.error_code = 90, r.error_text = "File System Error";
      r.driver_code = "90", r.driver_text = "memory store fault";
      break;
  }
  return r;
}

class MemoryTable : public Table {
 public:
  MemoryTable(const Layout& layout, std::vector<std::string> sorted, std::optional<size_t> reads,
              std::shared_ptr<int> live)
      : layout_(layout), records_(std::move(sorted)), reads_left_(reads), live_(std::move(live)) {
    ++*live_;
  }
  ~MemoryTable() override { --*live_; }

  void Set(const RecordBuffer& key_source) override {
    pos_ = FirstNotBelow(layout_, records_, key_source.bytes());
  }

  bool Next(RecordBuffer& into) override {
    if (pos_ >= records_.size()) return false;
    if (reads_left_) {
      if (*reads_left_ == 0) return false;
      --*reads_left_;
    }
    return into.Assign(records_[pos_++]);
  }

 private:
  const Layout& layout_;
  std::vector<std::string> records_;
  size_t pos_ = 0;
  std::optional<size_t> reads_left_;
  std::shared_ptr<int> live_;
};

}  // namespace

MemoryTableDriver::MemoryTableDriver() : live_tables_(std::make_shared<int>(0)) {}
MemoryTableDriver::~MemoryTableDriver() = default;

Status MemoryTableDriver::Put(const std::string& path, const Layout& layout,
                              std::vector<std::string> records) {
  for (size_t i = 0; i < records.size(); ++i)
    if (records[i].size() != layout.record_size)
      return Status::InvalidArgument("record " + std::to_string(i) + " of " + path +
                                     " has the wrong size");
  files_[path] = File{&layout, std::move(records), false};
  return Status::Ok();
}

bool MemoryTableDriver::Exists(const std::string& path) const { return files_.count(path) > 0; }

const std::vector<std::string>* MemoryTableDriver::Records(const std::string& path) const {
  auto it = files_.find(path);
  return it == files_.end() ? nullptr : &it->second.records;
}

void MemoryTableDriver::Remove(const std::string& path) { files_.erase(path); }

void MemoryTableDriver::FailNextOpens(const std::string& path, OpenOutcome outcome, int times) {
  for (int i = 0; i < times; ++i) faults_[path].next_opens.push_back(outcome);
}

void MemoryTableDriver::DenyWriteAccess(const std::string& path, bool deny) {
  faults_[path].deny_write = deny;
}

void MemoryTableDriver::BreakKeys(const std::string& path) {
  auto it = files_.find(path);
  if (it != files_.end()) it->second.keys_broken = true;
}

void MemoryTableDriver::FailCreate(const std::string& path, Status status) {
  faults_[path].create = std::move(status);
}

void MemoryTableDriver::FailRebuild(const std::string& path, Status status) {
  faults_[path].rebuild = std::move(status);
}

void MemoryTableDriver::FailReadsAfter(const std::string& path, size_t reads) {
  faults_[path].reads = reads;
}

int MemoryTableDriver::opens(const std::string& path) const {
  return static_cast<int>(std::count_if(open_calls_.begin(), open_calls_.end(),
                                        [&](const OpenCall& c) { return c.path == path; }));
}

OpenResult MemoryTableDriver::Open(const std::string& path, const Layout& layout, AccessMode mode) {
  open_calls_.push_back({path, mode});
  Faults& faults = faults_[path];
  if (!faults.next_opens.empty()) {
    OpenOutcome scripted = faults.next_opens.front();
    faults.next_opens.pop_front();
    if (scripted != OpenOutcome::kOk) return Failure(scripted);
  }
  auto it = files_.find(path);
  if (it == files_.end()) return Failure(OpenOutcome::kNotFound);
  if (faults.deny_write && mode.write) return Failure(OpenOutcome::kAccessDenied);
  File& file = it->second;
  if (!SameDeclaration(*file.layout, layout)) return Failure(OpenOutcome::kInvalidDeclaration);
  if (file.keys_broken) return Failure(OpenOutcome::kKeyMustBeRebuilt);

  std::vector<std::string> sorted = file.records;
  std::stable_sort(sorted.begin(), sorted.end(), [&](const std::string& a, const std::string& b) {
    return CompareKeys(layout, a, b) < 0;
  });
  OpenResult r;
  r.outcome = OpenOutcome::kOk;
  r.table = std::make_unique<MemoryTable>(layout, std::move(sorted), faults.reads, live_tables_);
  return r;
}

Status MemoryTableDriver::Create(const std::string& path, const Layout& layout) {
  ++creates_;
  Faults& faults = faults_[path];
  if (faults.create) return *faults.create;
  files_[path] = File{&layout, {}, false};
  return Status::Ok();
}

Status MemoryTableDriver::RebuildKeys(const std::string& path, const Layout&) {
  ++rebuilds_;
  Faults& faults = faults_[path];
  if (faults.rebuild) return *faults.rebuild;
  auto it = files_.find(path);
  if (it == files_.end()) return Status::NotFound("no file " + path, 2);
  it->second.keys_broken = false;
  return Status::Ok();
}

void MemoryTableDriver::SendOption(std::string_view option) { options_.emplace_back(option); }

}  // namespace eracuni::workdata::testing
