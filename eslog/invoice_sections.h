// The sections of the invoice document, each written by its own file, and the helpers they
// share. Internal to eslog: IzdelajXMLRacun (invoice.h) opens the document and calls the
// section writers in document order.
//
// Values reach the writer as UTF-8: fields copied as stored go through UnchangedForm,
// texts through PripraviBesedilo. Prepared texts are cut to the schema's length of their
// element (in characters, never inside one), since a longer value makes the bank refuse
// the whole document.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "settings/settings.h"
#include "workdata/field.h"
#include "workdata/record_buffer.h"
#include "workdata/work_files.h"
#include "xml/xml_writer.h"

namespace eracuni::eslog::internal {

// Maximum lengths of the schema's text elements, in characters.
inline constexpr size_t kNameLength = 35;  // names, streets, towns, banks, persons, numbers
inline constexpr size_t kTextLength = 70;  // Tekst1..Tekst5, NazivLokacije

// Everything a section writer needs; the header is the one in the headers' buffer.
struct InvoiceContext {
  xml::XmlWriter& xml;
  workdata::WorkFiles& files;
  settings::Settings& settings;
  const workdata::RecordBuffer& header;
};

// GlavaRacuna, the three leading text blocks, dates, currency, place and payment terms.
// Sets settings.DOBROPISBREMEPIS for a credit or debit note.
void WriteHead(InvoiceContext& c);
// The three PodatkiPodjetja and the ReferencniDokumenti.
void WriteParties(InvoiceContext& c);
// The amount sections, the tax summaries, the reverse-charge note and the invoicing clerk.
void WriteAmountsAndTaxes(InvoiceContext& c);
// One PostavkeRacuna per line of the header, streamed.
void WriteLines(InvoiceContext& c);

// ---- Shared helpers -----------------------------------------------------------------------

bool IsBlank(std::string_view text);
// The field as stored, as UTF-8 (the writer drops its trailing blanks).
std::string Unchanged(const workdata::RecordBuffer& record, workdata::Field field);
// The prepared text cut to `max_chars` characters, trailing blanks dropped.
std::string Prepared(std::string_view cp1250, size_t max_chars);
std::string PreparedField(const workdata::RecordBuffer& record, workdata::Field field,
                          size_t max_chars);
// At most `max_chars` whole characters of `utf8`, trailing blanks dropped.
std::string CutToChars(std::string_view utf8, size_t max_chars);
// The longest prefix length of at most `max_bytes` that ends on a character boundary.
size_t CharBoundaryBefore(std::string_view utf8, size_t max_bytes);

// A field (or a part of one) as stored, as UTF-8 without its trailing blanks, for the
// writer: an ASCII value (most) is a view of the record, any other is converted. Neither
// copied nor moved.
class StoredText {
 public:
  StoredText(const workdata::RecordBuffer& record, workdata::Field field)
      : StoredText(record.Text(field)) {}
  explicit StoredText(std::string_view cp1250);
  StoredText(const StoredText&) = delete;
  StoredText& operator=(const StoredText&) = delete;
  operator std::string_view() const { return text_; }

 private:
  std::string converted_;
  std::string_view text_;
};
// A percentage field as PercentageForm has it (without leading blanks), as StoredText.
StoredText PercentageText(const workdata::RecordBuffer& record, workdata::Field field);
// An element of the field as stored (what AddElement of Unchanged writes).
void AddStored(xml::XmlWriter& xml, xml::XmlName name, const workdata::RecordBuffer& record,
               workdata::Field field);

// CreateParent followed by AddParent.
inline void OpenParent(xml::XmlWriter& xml, xml::XmlName name) { xml.OpenParent(name); }
// A PoljubnoBesedilo block: VrstaBesedila, then Besedilo with Tekst1, Tekst2, ...
void AddTextBlock(xml::XmlWriter& xml, std::string_view kind,
                  std::initializer_list<std::string_view> texts);

}  // namespace eracuni::eslog::internal
