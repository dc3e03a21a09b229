#include "batch/names.h"

#include "envelope/envelope_forms.h"
#include "workdata/record_buffer.h"

namespace eracuni::batch {

char DeriveChannel(uint16_t oddaja_ujp, std::string_view bic) {
  if (oddaja_ujp != 0) return 'U';
  std::string_view head = bic.substr(0, 4);
  if (head == "BAKO") return 'K';
  if (head == "SZKB") return 'D';
  if (head == "KBMA") return 'M';
  if (head == "GORE") return 'G';
  return 'O';
}

bool ChannelHasPackage(char channel) {
  return channel == 'K' || channel == 'M' || channel == 'D' || channel == 'G' || channel == 'U';
}

std::string MonthDay(const LocalDateTime& date) {
  std::string day = std::to_string(date.day);
  if (day.size() < 2) day = "0" + day;
  return std::to_string(date.month) + day;
}

std::string StaleOutputPath(std::string_view folder, std::string_view invoice_number,
                            const LocalDateTime& date) {
  return std::string(workdata::ClipRight(folder)) + "eRacun_" +
         envelope::SafeForFileName(workdata::ClipRight(invoice_number)) + "_" + MonthDay(date) +
         ".XML";
}

std::string EnvelopePath(char channel, std::string_view folder, std::string_view last_number,
                         const LocalDateTime& date) {
  const char* prefix = channel == 'Z' ? "envelope_" : "eOvojnica_";
  const char* extension = ".XML";
  if (channel == 'K' || channel == 'M' || channel == 'D') extension = ".INV";
  if (channel == 'U' || channel == 'Z') extension = ".ENV";
  return std::string(workdata::ClipRight(folder)) + prefix +
         envelope::SafeForFileName(workdata::ClipBoth(last_number)) + "_" + MonthDay(date) +
         extension;
}

std::string_view FileNamePart(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string PackageBaseName(std::string_view envelope_file_name) {
  return std::string(envelope_file_name.substr(0, envelope_file_name.find('.')));
}

std::string ReportPath(std::string_view envelope_path) {
  std::string_view name = FileNamePart(envelope_path);
  size_t dot = name.rfind('.');
  size_t keep =
      envelope_path.size() - name.size() + (dot == std::string_view::npos ? name.size() : dot);
  return std::string(envelope_path.substr(0, keep)) + ".html";
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

std::string CutTo(std::string_view s, size_t capacity) {
  return std::string(s.substr(0, capacity));
}

}  // namespace eracuni::batch
