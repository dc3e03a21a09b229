#include "workdata/testing/memory_work_data.h"

#include <utility>

#include "workdata/fields.h"
#include "workdata/testing/memory_table_driver.h"

namespace eracuni::workdata::testing {
namespace {

std::vector<std::string> Bytes(const std::vector<RecordBuffer>& records) {
  std::vector<std::string> out;
  out.reserve(records.size());
  for (const RecordBuffer& r : records) out.emplace_back(r.bytes());
  return out;
}

}  // namespace

MemoryWorkData::MemoryWorkData() : driver_(std::make_unique<MemoryTableDriver>()) {}
MemoryWorkData::~MemoryWorkData() = default;

RecordBuffer& MemoryWorkData::AddHeader(uint32_t ident) {
  RecordBuffer& r = headers_.emplace_back(HeaderLayout());
  r.SetU32(eRACUNI::IDENTRACUN, ident);
  return r;
}

RecordBuffer& MemoryWorkData::AddLine(uint32_t ident, uint32_t line_number) {
  RecordBuffer& r = lines_.emplace_back(LineLayout());
  r.SetU32(eRACUNIP::IDENTRACUN, ident);
  r.SetU32(eRACUNIP::ZAPSTEVPOST, line_number);
  return r;
}

RecordBuffer& MemoryWorkData::AddAttachment(uint32_t ident, uint16_t seq, const std::string& name,
                                            const std::string& folder, const std::string& format,
                                            const std::string& description) {
  RecordBuffer& r = attachments_.emplace_back(AttachmentLayout());
  r.SetU32(eRACPRIL::IDENTRACUN, ident);
  r.SetU16(eRACPRIL::ZAPSTEV, seq);
  r.SetText(eRACPRIL::IMEPRILOGE, name);
  r.SetText(eRACPRIL::POTDOPRILOGE, folder);
  r.SetText(eRACPRIL::FORMATPRILOGE, format);
  r.SetText(eRACPRIL::OPISPRILOGE, description);
  return r;
}

void MemoryWorkData::Store(settings::Settings& settings) {
  settings.POTDOERACUNOV = kFolder;
  settings.POTERACUNI = std::string(kFolder) + "eRACUNI.TPS";
  settings.POTERACUNIP = std::string(kFolder) + "eRACUNIP.TPS";
  settings.POTERACPRIL = std::string(kFolder) + "eRACPRIL.TPS";
  // Records are built with the right sizes, so these cannot fail.
  (void)driver_->Put(settings.POTERACUNI, HeaderLayout(), HeaderRecords());
  (void)driver_->Put(settings.POTERACUNIP, LineLayout(), LineRecords());
  (void)driver_->Put(settings.POTERACPRIL, AttachmentLayout(), AttachmentRecords());
}

std::vector<std::string> MemoryWorkData::HeaderRecords() const { return Bytes(headers_); }
std::vector<std::string> MemoryWorkData::LineRecords() const { return Bytes(lines_); }
std::vector<std::string> MemoryWorkData::AttachmentRecords() const { return Bytes(attachments_); }

std::unique_ptr<WorkFiles> MemoryWorkData::Open(settings::Settings& settings,
                                                ErrorManager& errors) {
  Store(settings);
  auto files = std::make_unique<WorkFiles>(settings, *driver_, errors);
  (void)files->OpenAll();
  return files;
}

}  // namespace eracuni::workdata::testing
