#include "eslog/invoice_sections.h"

#include "eslog/text_forms.h"
#include "framework/blanks.h"
#include "framework/cp1250.h"

namespace eracuni::eslog::internal {

bool IsBlank(std::string_view text) { return workdata::ClipRight(text).empty(); }

std::string Unchanged(const workdata::RecordBuffer& record, workdata::Field field) {
  return UnchangedForm(record.Text(field));
}

// The writer drops trailing blanks, and the conversion turns blanks into blanks and nothing
// else into blanks, so dropping them first changes no byte written.
StoredText::StoredText(std::string_view cp1250) : text_(DropTrailingBlanks(cp1250)) {
  if (IsAscii(text_)) return;
  converted_ = Cp1250ToUtf8(text_);
  text_ = converted_;
}

StoredText PercentageText(const workdata::RecordBuffer& record, workdata::Field field) {
  return StoredText(DropLeadingBlanks(record.Text(field)));
}

void AddStored(xml::XmlWriter& xml, xml::XmlName name, const workdata::RecordBuffer& record,
               workdata::Field field) {
  xml.AddLeaf(name, StoredText(record, field));
}

std::string Prepared(std::string_view cp1250, size_t max_chars) {
  return CutToChars(PreparedText(cp1250), max_chars);
}

std::string PreparedField(const workdata::RecordBuffer& record, workdata::Field field,
                          size_t max_chars) {
  return Prepared(record.Text(field), max_chars);
}

// A byte that starts no valid sequence counts as one character: the writer takes it as
// windows-1250.
static size_t CharLength(std::string_view s, size_t i) {
  if (static_cast<unsigned char>(s[i]) < 0x80) return 1;
  size_t n = Utf8SequenceLength(s, i);
  return n == 0 ? 1 : n;
}

std::string CutToChars(std::string_view utf8, size_t max_chars) {
  utf8 = workdata::ClipRight(utf8);
  size_t end = 0;
  for (size_t chars = 0; end < utf8.size() && chars < max_chars; ++chars)
    end += CharLength(utf8, end);
  return std::string(workdata::ClipRight(utf8.substr(0, end)));
}

size_t CharBoundaryBefore(std::string_view utf8, size_t max_bytes) {
  if (utf8.size() <= max_bytes) return utf8.size();  // the walk would end there
  size_t end = 0;
  while (end < utf8.size()) {
    size_t next = end + CharLength(utf8, end);
    if (next > max_bytes) break;
    end = next;
  }
  return end;
}

void AddTextBlock(xml::XmlWriter& xml, std::string_view kind,
                  std::initializer_list<std::string_view> texts) {
  static constexpr xml::XmlName kTextNames[] = {"Tekst1", "Tekst2", "Tekst3", "Tekst4",
                                                "Tekst5"};
  OpenParent(xml, "PoljubnoBesedilo");
  xml.AddLeaf("VrstaBesedila", kind);
  OpenParent(xml, "Besedilo");
  size_t i = 0;
  for (std::string_view text : texts)
    if (i < std::size(kTextNames)) xml.AddLeaf(kTextNames[i++], text);
  xml.CloseParent();
  xml.CloseParent();
}

}  // namespace eracuni::eslog::internal
