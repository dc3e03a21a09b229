// WriterContext: what the writers of one envelope share while the document is open.
//
// Internal to the envelope library. The context refers to the caller's settings, work files,
// platform and result; it owns nothing. Values handed to Element() are UTF-8; the helpers
// turn work-data fields into their written forms.
#pragma once

#include <string>
#include <string_view>

#include "envelope/envelope.h"
#include "workdata/field.h"
#include "xml/xml_writer.h"

namespace eracuni::envelope {

enum class Variant { kPlain, kPayment };

struct WriterContext {
  settings::Settings& settings;
  workdata::WorkFiles& files;
  Platform& platform;
  Variant variant;
  EnvelopeResult& result;
  xml::XmlWriter& xml;

  bool payment() const { return variant == Variant::kPayment; }
  // K, M, G, D, U: the channels that get `hash` and `size`.
  bool sizes_channel() const;
  // G and U: every envelope is a document of its own.
  bool bare_envelopes() const;

  workdata::RecordBuffer& header() { return files.headers().buffer(); }
  workdata::RecordBuffer& attachment() { return files.attachments().buffer(); }

  void Element(std::string_view name, std::string_view utf8_value) {
    xml.AddElement(name, utf8_value);
  }
  void BeginParent(std::string_view name) {
    xml.CreateParent(name);
    xml.AddParent();
  }
  void Timestamp();
};

bool IsBareEnvelopeChannel(char channel);

// A field's text run through PripraviBesedilo (cut to 240 characters first).
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
