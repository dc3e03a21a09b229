// sender, receiver, doc_data and payment_data of one envelope.
#include <string>

#include "envelope/envelope_forms.h"
#include "envelope/writer_context.h"
#include "eslog/text_forms.h"
#include "framework/cp1250.h"
#include "workdata/fields.h"

namespace eracuni::envelope {

namespace H = workdata::eRACUNI;
using workdata::ClipRight;
using workdata::Field;

namespace {

constexpr std::string_view kUjpBic = "UJPLSI2DICL";
constexpr std::string_view kBankOfSloveniaBic = "BSLJSI2XXXX";

std::string HeaderPrepared(WriterContext& w, Field f) { return Prepared(w.header().Text(f)); }
std::string HeaderUnchanged(WriterContext& w, Field f) { return Unchanged(w.header().Text(f)); }

// The padded value stays in the header buffer, so payment_data sees it too.
std::string PadBicInPlace(WriterContext& w, Field f) {
  std::string bic = PaddedBic(w.header().Text(f));
  w.header().SetText(f, bic);
  return Unchanged(bic);
}

void WriteAddress(WriterContext& w, Field name, Field street, Field town) {
  w.Element("name", HeaderPrepared(w, name));
  w.Element("country", "SI");
  w.Element("address", HeaderPrepared(w, street));
  w.Element("address", HeaderPrepared(w, town));
}

std::string SenderIdentifier(WriterContext& w) {
  std::string_view id = ClipRight(w.header().Text(H::PODATEKPODJETJA));
  if (w.settings.KATERABANKA == 'O' && w.settings.PREDPONASI == 0 && id.substr(0, 2) == "SI")
    return Unchanged(WithoutSiPrefix(id));
  return Unchanged(id);
}

// The invoice document names the bank of UJP's BIC "Banka Slovenije"; so does the payment.
std::string PaymentAgent(WriterContext& w, Field bic) {
  std::string_view stored = w.header().Text(bic);
  if (stored.substr(0, kUjpBic.size()) == kUjpBic) return std::string(kBankOfSloveniaBic);
  return HeaderUnchanged(w, bic);
}

std::string DocType(WriterContext& w) {
  std::string_view type = ClipRight(w.header().Text(H::VRSTARACUNA));
  if (w.payment()) return type == "325" ? "0010" : "0002";
  if (type == "381") return "0006";
  if (type == "383") return "0007";
  return {};
}

}  // namespace

void WriteSender(WriterContext& w) {
  w.BeginParent("sender");
  WriteAddress(w, H::NAZIVPARTNERJA1, H::ULICA1, H::KRAJ);
  w.Element("sender_identifier", SenderIdentifier(w));
  w.BeginParent("sender_eddress");
  w.Element("sender_agent", PadBicInPlace(w, H::NAZIVBANKE2));
  w.Element("sender_mailbox", HeaderPrepared(w, H::STEVILKABANCNEGARACUNA));
  w.xml.CloseParent();
  w.xml.CloseParent();
}

void WriteReceiver(WriterContext& w) {
  w.BeginParent("receiver");
  WriteAddress(w, H::NAZIVPARTNERJA1IV, H::ULICA1BY, H::KRAJBY);
  w.Element("receiver_identifier",
            Unchanged(WithoutSiPrefix(w.header().Text(H::PODATEKPODJETJABY1))));
  w.BeginParent("receiver_eddress");
  w.Element("receiver_agent", PadBicInPlace(w, H::NAZIVBANKE2IV));
  w.Element("receiver_mailbox", HeaderPrepared(w, H::STEVILKABANCNEGARACUNAIV));
  w.xml.CloseParent();
  w.xml.CloseParent();
}

void WriteDocData(WriterContext& w) {
  w.BeginParent("doc_data");
  std::string doc_type = DocType(w);
  if (!doc_type.empty()) w.Element("doc_type", doc_type);
  w.Element("doc_type_ver", "01");
  std::string_view number = w.header().Text(H::STEVILKARACUNA);
  w.Element("doc_id", Unchanged(DocId(w.header().U32(H::IDENTRACUN), number)));
  w.Element("external_doc_id", Unchanged(ExternalDocId(number, w.header().Text(H::DATUMRACUNA))));
  w.Timestamp();
  w.xml.CloseParent();
}

namespace {

// The reference of a 2.0 document as the document has it (none when it has none); for 1.6
// the RF reference made from the stored one, as always.
void WritePaymentReference(WriterContext& w) {
  const WrittenDocument* document = w.written_document();
  if (document == nullptr || !document->payment_reference) {
    w.Element("creditor_structured_reference",
              eslog::IzracunajSklicRF(w.header().Text(H::STEVILKASKLICASKUPAJ)));
  } else if (!document->payment_reference->empty()) {
    w.Element("creditor_structured_reference", *document->payment_reference);
  }
}

}  // namespace

void WritePaymentData(WriterContext& w) {
  w.BeginParent("payment_data");
  w.Element("payment_method", HeaderUnchanged(w, H::TEKST2NP));
  w.BeginParent("creditor");
  WriteAddress(w, H::NAZIVPARTNERJA1, H::ULICA1, H::KRAJ);
  w.Element("creditor_agent", PaymentAgent(w, H::NAZIVBANKE2));
  w.Element("creditor_account", HeaderPrepared(w, H::STEVILKABANCNEGARACUNA));
  w.xml.CloseParent();
  w.BeginParent("debtor");
  WriteAddress(w, H::NAZIVPARTNERJA1IV, H::ULICA1BY, H::KRAJBY);
  w.Element("debtor_agent", PaymentAgent(w, H::NAZIVBANKE2IV));
  w.Element("debtor_account", HeaderPrepared(w, H::STEVILKABANCNEGARACUNAIV));
  w.xml.CloseParent();
  w.Element("requested_execution_date", Unchanged(w.header().Text(H::DATUMPLACILA).substr(0, 10)));
  w.Element("amount", eslog::AmountForm(w.header().Text(H::ZNESEKRACUNASKUPAJ)));
  w.Element("currency", "EUR");
  w.BeginParent("remittance_information");
  WritePaymentReference(w);
  w.Element("additional_remittance_information",
            CutWhole(HeaderPrepared(w, H::TEKST1NASL), kRemittanceBytes));
  w.xml.CloseParent();
  w.Element("purpose", Unchanged(w.header().Text(H::TEKST2NASL).substr(0, 4)));
  w.xml.CloseParent();
}

}  // namespace eracuni::envelope
