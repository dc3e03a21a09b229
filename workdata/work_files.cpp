#include "workdata/work_files.h"

#include <string>
#include <utility>

#include "framework/cp1250.h"
#include "workdata/table_driver.h"

namespace eracuni::workdata {
namespace {

// Seconds the driver waits for a lock held by another program before it gives up.
constexpr int kLockRecoverySeconds = 10;

ErrorState StateOf(const OpenResult& r) {
  return {r.error_code, r.error_text, r.driver_code, r.driver_text};
}

ErrorState StateOf(const Status& s) {
  return {s.error_code(), s.message(), std::to_string(s.error_code()), s.message()};
}

Status OpenFailure(const std::string& label, const OpenResult& r) {
  std::string text = label + ": " + r.error_text;
  switch (r.outcome) {
    case OpenOutcome::kNotFound:
      return Status::NotFound(text, r.error_code);
    case OpenOutcome::kAccessDenied:
      return Status::AccessDenied(text, r.error_code);
    case OpenOutcome::kInvalidDeclaration:
      return Status::Mismatch(text);
    case OpenOutcome::kKeyMustBeRebuilt:
      return Status::Corruption(text);
    default:
      return Status::IoError(text, r.error_code);
  }
}

}  // namespace

WorkFile::WorkFile(const Layout& layout, const std::string& path_setting, TableDriver& driver,
                   ErrorManager& errors)
    : buffer_(layout), path_(path_setting), driver_(driver), errors_(errors) {}

WorkFile::~WorkFile() = default;

bool WorkFile::is_open() const { return table_ != nullptr; }

Status WorkFile::Open() {
  ++open_count_;
  Status s = Use();
  if (open_related_ && related_ != nullptr) {
    Status r = related_->Open();
    if (s.ok()) s = r;
  }
  return s;
}

void WorkFile::Close() {
  if (open_count_ == 0) return;
  if (open_related_ && related_ != nullptr) related_->Close();
  if (--open_count_ == 0) {
    table_.reset();
    failed_open_.reset();
  }
}

Status WorkFile::Use() {
  if (open_count_ == 0)
    return Status::InvalidArgument(std::string(layout().label) + " is not open");
  if (table_) return Status::Ok();
  if (failed_open_) return *failed_open_;
  Status s = PhysicalOpen();
  if (!s.ok()) failed_open_ = s;
  return s;
}

void WorkFile::Report(int id, const ErrorState& state) {
  errors_.SetFileName(layout().label);
  errors_.SetErrorState(state);
  errors_.RaiseError(id);
}

// Every branch that goes round again is taken at most once (create, rebuild, read-only), so
// the loop ends whatever the driver answers.
Status WorkFile::PhysicalOpen() {
  const std::string path = Cp1250ToUtf8(path_);
  const std::string label(layout().label);
  AccessMode mode;
  bool created = false, rebuilt = false;
  for (int tries = 1;; ++tries) {
    OpenResult r = driver_.Open(path, layout(), mode);
    if (r.outcome == OpenOutcome::kAccessDenied) {
      driver_.SendOption("Recover=" + std::to_string(kLockRecoverySeconds));
      r = driver_.Open(path, layout(), mode);
    }
    switch (r.outcome) {
      case OpenOutcome::kOk:
        if (!r.table) break;  // a driver that claims success without a table: access error
        table_ = std::move(r.table);
        return Status::Ok();
      case OpenOutcome::kNotFound: {
        // Still missing after a create that succeeded: the create did not take.
        Status c = created ? OpenFailure(label, r) : driver_.Create(path, layout());
        if (!c.ok()) {
          Report(msg::kFileCreationError, created ? StateOf(r) : StateOf(c));
          return c;
        }
        created = true;
        continue;
      }
      case OpenOutcome::kKeyMustBeRebuilt: {
        Report(msg::kInvalidKey, StateOf(r));
        Status k = rebuilt ? OpenFailure(label, r) : driver_.RebuildKeys(path, layout());
        if (!k.ok()) {
          Report(msg::kKeyWasNotBuilt, rebuilt ? StateOf(r) : StateOf(k));
          return k;
        }
        rebuilt = true;
        continue;
      }
      case OpenOutcome::kInvalidDeclaration:
        Report(msg::kInvalidFile, StateOf(r));
        return OpenFailure(label, r);
      case OpenOutcome::kAccessDenied:
        if (mode.write && tries < 2) {
          mode.write = false;
          Report(msg::kAccessDenied, StateOf(r));
          continue;
        }
        // Refused even read-only: say so rather than show an empty work folder.
        Report(msg::kFileAccessError, StateOf(r));
        return OpenFailure(label, r);
      default:
        break;
    }
    Report(msg::kFileAccessError, StateOf(r));
    return OpenFailure(label, r);
  }
}

void WorkFile::Set() {
  if (table_) table_->Set(buffer_);
}

bool WorkFile::Next() { return table_ && table_->Next(buffer_); }

WorkFiles::WorkFiles(const settings::Settings& settings, TableDriver& driver, ErrorManager& errors)
    : eracpril_(AttachmentLayout(), settings.POTERACPRIL, driver, errors),
      eracuni_(HeaderLayout(), settings.POTERACUNI, driver, errors),
      eracunip_(LineLayout(), settings.POTERACUNIP, driver, errors) {
  eracuni_.Relate(eracunip_);
}

WorkFiles::~WorkFiles() { CloseAll(); }

Status WorkFiles::OpenAll() {
  if (opened_) return Status::Ok();
  Status first = eracpril_.Open();
  eracuni_.set_open_related(true);
  Status s = eracuni_.Open();
  if (first.ok()) first = s;
  s = eracunip_.Use();
  if (first.ok()) first = s;
  opened_ = true;
  return first;
}

void WorkFiles::CloseAll() {
  if (!opened_) return;
  eracpril_.Close();
  eracuni_.Close();
  opened_ = false;
}

namespace {

// Positions `file` at the key in its buffer and hands on records while `same` holds.
template <typename Same>
size_t Walk(WorkFile& file, const Visitor& visit, Same same) {
  size_t n = 0;
  file.Set();
  while (file.Next() && same()) {
    ++n;
    if (!visit()) break;
  }
  return n;
}

}  // namespace

size_t WalkHeaders(WorkFiles& files, const Visitor& visit) {
  files.headers().buffer().Clear();
  return Walk(files.headers(), visit, [] { return true; });
}

size_t WalkLines(WorkFiles& files, const Visitor& visit) {
  const uint32_t ident = files.headers().buffer().U32(eRACUNI::IDENTRACUN);
  RecordBuffer& line = files.lines().buffer();
  line.Clear();
  line.SetU32(eRACUNIP::IDENTRACUN, ident);
  return Walk(files.lines(), visit, [&] { return line.U32(eRACUNIP::IDENTRACUN) == ident; });
}

size_t WalkAttachments(WorkFiles& files, const Visitor& visit) {
  const uint32_t ident = files.headers().buffer().U32(eRACUNI::IDENTRACUN);
  RecordBuffer& att = files.attachments().buffer();
  att.Clear();
  att.SetU32(eRACPRIL::IDENTRACUN, ident);
  return Walk(files.attachments(), visit, [&] { return att.U32(eRACPRIL::IDENTRACUN) == ident; });
}

size_t WalkAllAttachments(WorkFiles& files, const Visitor& visit) {
  files.attachments().buffer().Clear();
  return Walk(files.attachments(), visit, [] { return true; });
}

}  // namespace eracuni::workdata
