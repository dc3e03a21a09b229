#include "envelope/envelope.h"

#include <algorithm>
#include <string>

#include "envelope/envelope_forms.h"
#include "envelope/writer_context.h"
#include "eslog/text_forms.h"
#include "framework/cp1250.h"
#include "workdata/fields.h"
#include "xml/xml_writer.h"

namespace eracuni::envelope {

namespace {

constexpr std::string_view kXsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";
constexpr std::string_view kXsdNamespace = "http://www.w3.org/2001/XMLSchema";
constexpr std::string_view kIclNamespace = "hal:icl:01";
constexpr std::string_view kSchemaLocation =
    "..\\..\\..\\VERU-ERACUNI-BANKART-teorija\\From Velt\\ICL_SynChk_1.0.1\\grammars\\"
    "icl_envelope_einvoice.xsd";
// What an envelope's own name is claimed for: it is being written, so no attachment can be
// the file, and no file has this identity (no file number 0).
constexpr FileId kEnvelopeFile{};

Status OpenDocument(xml::XmlWriter& xml, const std::string& path) {
  Status s = xml.CreateXmlFile(path, "1.0", "UTF-8");
  if (s.ok()) xml.SetEncoding("Windows-1250");
  return s;
}

void Finish(xml::XmlWriter& xml, const std::string& path, EnvelopeResult& result) {
  Status s = xml.CloseXmlFile();
  if (s.ok())
    result.files.push_back(path);
  else if (result.status.ok())
    result.status = s;
}

void Fail(const Status& s, EnvelopeResult& result) {
  if (result.status.ok()) result.status = s;
}

void WriteEnvelope(WriterContext& w) {
  w.xml.CreateParent("envelope");
  if (w.bare_envelopes()) {
    w.xml.CreateAttribute("xmlns:xsi", kXsiNamespace);
    w.xml.CreateAttribute("xmlns:xds", kXsdNamespace);
    w.xml.CreateAttribute("xsi:noNamespaceSchemaLocation", kSchemaLocation);
  }
  w.xml.AddParent();
  WriteSender(w);
  WriteReceiver(w);
  WriteDocData(w);
  if (w.payment()) WritePaymentData(w);
  WriteAttachments(w);
  w.xml.CloseParent();
}

struct Run {
  settings::Settings& settings;
  workdata::WorkFiles& files;
  Platform& platform;
  Variant variant;
  std::string path;  // the run's envelope file, UTF-8
  const WrittenDocuments* written;
  EnvelopeResult result;
  PackageNames names;

  WriterContext Context(xml::XmlWriter& xml) {
    return WriterContext{settings, files, platform, variant, result, xml, written, names};
  }
  // Whether the current header's invoice is described.
  bool Described() const {
    return written == nullptr ||
           written->count(files.headers().buffer().U32(workdata::eRACUNI::IDENTRACUN)) != 0;
  }
};

// One package element holding the envelopes of every header.
void WritePackage(Run& run) {
  xml::XmlWriter xml(run.platform.files);
  Status s = OpenDocument(xml, run.path);
  if (!s.ok()) return Fail(s, run.result);
  WriterContext w = run.Context(xml);
  xml.CreateParent("package");
  xml.CreateAttribute("xmlns:xsi", kXsiNamespace);
  xml.CreateAttribute("xmlns", kIclNamespace);
  xml.CreateAttribute("pkg_type", w.payment() ? "einvoice" : "general");
  xml.AddParent();
  w.Timestamp();
  run.names.Claim(run.path, kEnvelopeFile);
  workdata::WalkHeaders(run.files, [&] {
    if (run.Described()) WriteEnvelope(w);
    return true;
  });
  xml.CloseParent();
  Finish(xml, run.path, run.result);
}

// The file of the current header when every envelope is a document of its own: the run's
// name for a single invoice, else one name per invoice number; when another file of the
// run has that name, the identifier is added, and then a counter.
std::string BareEnvelopePath(Run& run, size_t invoices) {
  if (invoices == 1) return run.path;
  const workdata::RecordBuffer& header = run.files.headers().buffer();
  const std::string number =
      Cp1250ToUtf8(workdata::ClipBoth(header.Text(workdata::eRACUNI::STEVILKARACUNA)));
  const std::string ident = std::to_string(header.U32(workdata::eRACUNI::IDENTRACUN));
  std::string path = PerInvoicePath(run.path, number);
  for (int n = 1; run.names.Taken(path); ++n)
    path = PerInvoicePath(run.path, number + "_" + ident + (n > 1 ? "_" + std::to_string(n) : ""));
  return path;
}

// One envelope document per invoice; no invoice, no document.
void WriteBareEnvelopes(Run& run) {
  size_t invoices = 0;
  workdata::WalkHeaders(run.files, [&] {
    invoices += run.Described() ? 1 : 0;
    return true;
  });
  workdata::WalkHeaders(run.files, [&] {
    if (!run.Described()) return true;
    const std::string path = BareEnvelopePath(run, invoices);
    run.names.Claim(path, kEnvelopeFile);
    xml::XmlWriter xml(run.platform.files);
    Status s = OpenDocument(xml, path);
    if (!s.ok()) {
      Fail(s, run.result);
      return true;
    }
    WriterContext w = run.Context(xml);
    WriteEnvelope(w);
    Finish(xml, path, run.result);
    return true;
  });
}

EnvelopeResult WriteRun(Variant variant, settings::Settings& settings, workdata::WorkFiles& files,
                        Platform& platform, const std::string& datoteka_ovojnice,
                        const WrittenDocuments* written) {
  Run run{settings,
          files,
          platform,
          variant,
          std::string(workdata::ClipRight(datoteka_ovojnice)),
          written,
          {},
          PackageNames(IsPackageChannel(settings.KATERABANKA))};
  if (IsBareEnvelopeChannel(settings.KATERABANKA))
    WriteBareEnvelopes(run);
  else
    WritePackage(run);
  return std::move(run.result);
}

}  // namespace

bool IsBareEnvelopeChannel(char channel) { return channel == 'G' || channel == 'U'; }

bool IsPackageChannel(char c) { return c == 'K' || c == 'M' || c == 'G' || c == 'D' || c == 'U'; }

std::string PackageEntryKey(const std::string& path) {
  std::string name = path.substr(path.find_last_of("/\\") + 1);  // npos + 1 == 0
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

bool PackageNames::Claim(const std::string& path, const FileId& id) {
  if (!package_) return true;
  auto [it, added] = owners_.emplace(PackageEntryKey(path), id);
  return added || it->second == id;
}

bool PackageNames::Taken(const std::string& path) const {
  return package_ && owners_.count(PackageEntryKey(path)) != 0;
}

const WrittenDocument* WriterContext::written_document() const {
  if (written == nullptr) return nullptr;
  auto it = written->find(files.headers().buffer().U32(workdata::eRACUNI::IDENTRACUN));
  return it == written->end() ? nullptr : &it->second;
}

bool WriterContext::sizes_channel() const { return IsPackageChannel(settings.KATERABANKA); }

bool WriterContext::bare_envelopes() const { return IsBareEnvelopeChannel(settings.KATERABANKA); }

void WriterContext::Timestamp() { Element("timestamp", TimestampForm(platform.clock.Now())); }

std::string Prepared(std::string_view field_text) {
  return eslog::PreparedText(field_text.substr(0, eslog::kPreparedSize));
}

std::string Unchanged(std::string_view cp1250) { return Cp1250ToUtf8(workdata::ClipRight(cp1250)); }

EnvelopeResult IzdelajOvojnico(settings::Settings& settings, workdata::WorkFiles& files,
                               Platform& platform, const std::string& datoteka_ovojnice,
                               const WrittenDocuments* written) {
  return WriteRun(Variant::kPlain, settings, files, platform, datoteka_ovojnice, written);
}

EnvelopeResult IzdelajOvojnicoZPlacilom(settings::Settings& settings, workdata::WorkFiles& files,
                                        Platform& platform, const std::string& datoteka_ovojnice,
                                        const WrittenDocuments* written) {
  return WriteRun(Variant::kPayment, settings, files, platform, datoteka_ovojnice, written);
}

}  // namespace eracuni::envelope
