#include "workdata/invoice_snapshot.h"

#include <algorithm>

#include "workdata/table_driver.h"

namespace eracuni::workdata {

bool TakeSnapshot(WorkFiles& files, size_t byte_limit, InvoiceSnapshot& into) {
  into = {};
  into.header = std::string(files.headers().buffer().bytes());
  into.bytes = into.header.size();
  auto keep = [&](std::vector<std::string>& list, const RecordBuffer& record) {
    list.emplace_back(record.bytes());
    into.bytes += record.size();
    return into.bytes <= byte_limit;
  };
  WalkLines(files, [&] { return keep(into.lines, files.lines().buffer()); });
  if (into.bytes > byte_limit) return false;
  WalkAttachments(files, [&] { return keep(into.attachments, files.attachments().buffer()); });
  return into.bytes <= byte_limit;
}

namespace {

// One file of the snapshot: the records of `source`, which the driver replaces between
// invoices; each Set looks afresh.
class SnapshotTable : public Table {
 public:
  SnapshotTable(const Layout& layout, const std::vector<std::string>& source)
      : layout_(layout), source_(source) {}

  void Set(const RecordBuffer& key_source) override {
    pos_ = FirstNotBelow(layout_, source_, key_source.bytes());
  }

  bool Next(RecordBuffer& into) override {
    return pos_ < source_.size() && into.Assign(source_[pos_++]);
  }

 private:
  const Layout& layout_;
  const std::vector<std::string>& source_;
  size_t pos_ = 0;
};

}  // namespace

class SnapshotWorkFiles::Driver : public TableDriver {
 public:
  OpenResult Open(const std::string&, const Layout& layout, AccessMode) override {
    OpenResult r;
    r.outcome = OpenOutcome::kOk;
    r.table = std::make_unique<SnapshotTable>(layout, RecordsOf(layout));
    return r;
  }
  Status Create(const std::string&, const Layout&) override { return Status::Ok(); }
  Status RebuildKeys(const std::string&, const Layout&) override { return Status::Ok(); }
  void SendOption(std::string_view) override {}

  const std::vector<std::string>& RecordsOf(const Layout& layout) const {
    if (&layout == &LineLayout()) return snapshot.lines;
    if (&layout == &AttachmentLayout()) return snapshot.attachments;
    return headers;
  }

  InvoiceSnapshot snapshot;
  std::vector<std::string> headers;  // the snapshot's header alone
};

SnapshotWorkFiles::SnapshotWorkFiles(const settings::Settings& settings, ErrorManager& errors)
    : driver_(std::make_unique<Driver>()),
      files_(std::make_unique<WorkFiles>(settings, *driver_, errors)) {
  files_->OpenAll();
}

SnapshotWorkFiles::~SnapshotWorkFiles() { files_.reset(); }

void SnapshotWorkFiles::Load(InvoiceSnapshot snapshot) {
  driver_->snapshot = std::move(snapshot);
  driver_->headers.assign(1, driver_->snapshot.header);
  files_->headers().buffer().Assign(driver_->snapshot.header);
}

InvoiceSnapshot SnapshotWorkFiles::Unload() {
  InvoiceSnapshot snapshot = std::move(driver_->snapshot);
  driver_->snapshot = {};
  driver_->headers.clear();
  return snapshot;
}

}  // namespace eracuni::workdata
