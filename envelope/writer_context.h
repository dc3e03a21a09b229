// WriterContext: what the writers of one envelope share while the document is open.
//
// Internal to the envelope library. The context refers to the caller's settings, work files,
// platform and result; it owns nothing. Values handed to Element() are UTF-8; the helpers
// turn work-data fields into their written forms.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "envelope/envelope.h"
#include "workdata/field.h"
#include "xml/xml_writer.h"

namespace eracuni::envelope {

enum class Variant { kPlain, kPayment };

// The names inside the run's package, ASCII case ignored as on the bank's side: each name
// goes to one file only. On channels without a package every claim succeeds.
class PackageNames {
 public:
  explicit PackageNames(bool package) : package_(package) {}
  // Takes the file-name part of `path` (UTF-8) for the file `id`; false when another file
  // has it. One file may claim its name again.
  bool Claim(const std::string& path, const FileId& id);
  bool Taken(const std::string& path) const;

 private:
  bool package_;
  std::map<std::string, FileId> owners_;  // folded name -> the file that has it
};

struct WriterContext {
  settings::Settings& settings;
  workdata::WorkFiles& files;
  Platform& platform;
  Variant variant;
  EnvelopeResult& result;
  xml::XmlWriter& xml;
  const WrittenDocuments* written;  // null: every header, documents in the output folder
  PackageNames& names;

  bool payment() const { return variant == Variant::kPayment; }
  // K, M, G, D, U: the channels that get `hash` and `size`.
  bool sizes_channel() const;
  // G and U: every envelope is a document of its own.
  bool bare_envelopes() const;

  workdata::RecordBuffer& header() { return files.headers().buffer(); }
  // What the run wrote for the current header, or null (no list, or not written).
  const WrittenDocument* written_document() const;
  workdata::RecordBuffer& attachment() { return files.attachments().buffer(); }

  void Element(xml::XmlName name, std::string_view utf8_value) { xml.AddLeaf(name, utf8_value); }
  void BeginParent(xml::XmlName name) { xml.OpenParent(name); }
  void Timestamp();
};

bool IsBareEnvelopeChannel(char channel);
// K, M, G, D, U: the channels whose files go into a package.
bool IsPackageChannel(char channel);

// A field's text run through PripraviBesedilo (cut to 240 characters first), without the
// padding: the writer drops trailing blanks.
std::string Prepared(std::string_view field_text);
// A stored value as written unchanged: clipped, windows-1250 turned into UTF-8.
std::string Unchanged(std::string_view cp1250);

// The blocks of one `envelope` element, in document order.
void WriteSender(WriterContext& w);
void WriteReceiver(WriterContext& w);
void WriteDocData(WriterContext& w);
void WritePaymentData(WriterContext& w);
void WriteAttachments(WriterContext& w);

}  // namespace eracuni::envelope
