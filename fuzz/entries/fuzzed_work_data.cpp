#include "fuzz/entries/fuzzed_work_data.h"

#include <algorithm>

#include "workdata/fields.h"

namespace eracuni::fuzz {

namespace L = workdata::eRACUNIP;

uint8_t TakeByte(std::string_view& data) {
  if (data.empty()) return 0;
  uint8_t b = static_cast<uint8_t>(data[0]);
  data.remove_prefix(1);
  return b;
}

std::string TakeRecord(std::string_view& data, size_t size) {
  std::string record(data.substr(0, std::min(size, data.size())));
  data.remove_prefix(record.size());
  record.resize(size, ' ');
  return record;
}

void ApplySwitches(uint8_t channel, uint8_t switches, const char* out, settings::Settings& s) {
  s.KATERABANKA = "KMGUDZO"[channel % 7];
  s.ODDAJAUJP = s.KATERABANKA == 'U';
  s.ENAKAIMENARACUNA = switches & 1;
  s.PDF = (switches >> 1) & 1;
  s.OVOJNICA = (switches >> 2) & 1;
  s.DODAJLOKACIJOPRILOG = (switches >> 3) & 1;
  s.PREDPONASI = (switches >> 4) & 1;
  s.KODA66V203 = (switches >> 5) & 1;
  s.OBDOBJERACUNA = (switches >> 6) & 1;
  s.DSVIMENURACUNA = (switches >> 7) & 1;
  s.POTDOXMLRACUNOV = out;
}

void AddHeaderAndLines(std::string_view& data, int line_count, workdata::testing::MemoryWorkData& work) {
  work.AddHeader(1).Assign(TakeRecord(data, workdata::HeaderLayout().record_size));
  for (int i = 0; i < line_count; ++i) {
    workdata::RecordBuffer& line = work.AddLine(1, 1);
    line.Assign(TakeRecord(data, workdata::LineLayout().record_size));
    line.SetU32(L::IDENTRACUN, 1);
    line.SetU32(L::ZAPSTEVPOST, static_cast<uint32_t>(i + 1));
  }
}

}  // namespace eracuni::fuzz
