#include "xml/testing/schema_check.h"

#include <libxml/catalog.h>
#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlschemas.h>
#include <sys/stat.h>

#include <memory>
#include <mutex>
#include <set>

#include "framework/testing/fakes.h"

namespace eracuni::xml::testing {
namespace {

constexpr char kEslog16Schema[] = "eSLOG_1-6_EnostavniRacun.xsd";
constexpr char kEslog20Schema[] = "eSLOG20_INVOIC_v200.xsd";

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Each catalog is added to libxml2's process-wide catalog list once.
void LoadCatalogBeside(const std::string& xsd_path) {
  static std::mutex mu;
  static std::set<std::string> loaded;
  size_t slash = xsd_path.rfind('/');
  std::string catalog =
      (slash == std::string::npos ? "" : xsd_path.substr(0, slash + 1)) + "catalog.xml";
  std::lock_guard<std::mutex> lock(mu);
  if (!IsFile(catalog) || !loaded.insert(catalog).second) return;
  xmlLoadCatalog(catalog.c_str());
}

void CollectMessage(void* context, xmlErrorPtr error) {
  auto* out = static_cast<std::string*>(context);
  if (error == nullptr || error->message == nullptr) return;
  std::string message = error->message;
  while (!message.empty() && message.back() == '\n') message.pop_back();
  *out += (error->file != nullptr ? error->file : "?") + std::string(":") +
          std::to_string(error->line) + ": " + message + "\n";
}

// Sends libxml2's messages on this thread to `out`, and entity loading through the catalog
// only (never the network), for the lifetime of the object.
class Capture {
 public:
  explicit Capture(std::string* out)
      : loader_(xmlGetExternalEntityLoader()),
        handler_(xmlStructuredError),
        handler_context_(xmlStructuredErrorContext) {
    xmlSetStructuredErrorFunc(out, CollectMessage);
    xmlSetExternalEntityLoader(xmlNoNetExternalEntityLoader);
  }
  ~Capture() {
    xmlSetExternalEntityLoader(loader_);
    xmlSetStructuredErrorFunc(handler_context_, handler_);
  }

 private:
  xmlExternalEntityLoader loader_;
  xmlStructuredErrorFunc handler_;
  void* handler_context_;
};

struct SchemaDeleter {
  void operator()(xmlSchemaParserCtxtPtr p) const { xmlSchemaFreeParserCtxt(p); }
  void operator()(xmlSchemaPtr p) const { xmlSchemaFree(p); }
  void operator()(xmlSchemaValidCtxtPtr p) const { xmlSchemaFreeValidCtxt(p); }
  void operator()(xmlDocPtr p) const { xmlFreeDoc(p); }
};
template <typename T>
using Owned = std::unique_ptr<std::remove_pointer_t<T>, SchemaDeleter>;

}  // namespace

Status ValidateWithSchema(const std::string& xml_path, const std::string& xsd_path) {
  LoadCatalogBeside(xsd_path);
  std::string messages;
  Capture capture(&messages);

  Owned<xmlSchemaParserCtxtPtr> parser(xmlSchemaNewParserCtxt(xsd_path.c_str()));
  if (!parser) return Status::IoError("cannot read schema " + xsd_path);
  xmlSchemaSetParserStructuredErrors(parser.get(), CollectMessage, &messages);
  Owned<xmlSchemaPtr> schema(xmlSchemaParse(parser.get()));
  if (!schema)
    return Status::InvalidArgument("schema " + xsd_path + " does not compile:\n" + messages);

  Owned<xmlDocPtr> doc(xmlReadFile(xml_path.c_str(), nullptr, XML_PARSE_NONET));
  if (!doc) return Status::Corruption(xml_path + " is not well-formed:\n" + messages);

  Owned<xmlSchemaValidCtxtPtr> validator(xmlSchemaNewValidCtxt(schema.get()));
  if (!validator) return Status::IoError("cannot set up validation against " + xsd_path);
  xmlSchemaSetValidStructuredErrors(validator.get(), CollectMessage, &messages);
  int rc = xmlSchemaValidateDoc(validator.get(), doc.get());
  if (rc != 0)
    return Status::InvalidArgument(xml_path + " is not valid against " + xsd_path + ":\n" +
                                   messages);
  return Status::Ok();
}

namespace {

std::string SchemaDir(const char* folder) {
  std::string shared = eracuni::testing::SharedDir();
  return shared.empty() ? std::string() : shared + "schemas/" + folder + "/";
}

bool HasSchema(const std::string& dir, const char* schema) {
  return !dir.empty() && IsFile(dir + schema);
}

Status ValidateAgainst(const std::string& xml_path, const std::string& dir, const char* schema,
                       const char* what) {
  if (!HasSchema(dir, schema))
    return Status::NotFound(std::string("the ") + what + " schema is not in the shared folder (" +
                            dir + ")");
  return ValidateWithSchema(xml_path, dir + schema);
}

}  // namespace

std::string Eslog16SchemaDir() { return SchemaDir("eslog16"); }
bool Eslog16SchemaAvailable() { return HasSchema(Eslog16SchemaDir(), kEslog16Schema); }
Status ValidateEslog16(const std::string& xml_path) {
  return ValidateAgainst(xml_path, Eslog16SchemaDir(), kEslog16Schema, "e-SLOG 1.6");
}

std::string Eslog20SchemaDir() { return SchemaDir("eslog20"); }
bool Eslog20SchemaAvailable() { return HasSchema(Eslog20SchemaDir(), kEslog20Schema); }
Status ValidateEslog20(const std::string& xml_path) {
  return ValidateAgainst(xml_path, Eslog20SchemaDir(), kEslog20Schema, "e-SLOG 2.0");
}

Status ValidateEslog20Document(std::string_view document) {
  std::string messages;
  Capture capture(&messages);
  Owned<xmlDocPtr> doc(xmlReadMemory(document.data(), static_cast<int>(document.size()),
                                     "document.xml", nullptr, XML_PARSE_NONET));
  if (!doc) return Status::Corruption("the document is not well-formed:\n" + messages);
  // Compiled once and never freed: libxml2 validation only reads a compiled schema.
  static xmlSchemaPtr schema = [] {
    if (!Eslog20SchemaAvailable()) return xmlSchemaPtr{nullptr};
    const std::string xsd = Eslog20SchemaDir() + kEslog20Schema;
    LoadCatalogBeside(xsd);
    std::string ignored;
    Capture quiet(&ignored);
    Owned<xmlSchemaParserCtxtPtr> parser(xmlSchemaNewParserCtxt(xsd.c_str()));
    return parser ? xmlSchemaParse(parser.get()) : nullptr;
  }();
  if (schema == nullptr) return Status::NotFound("the e-SLOG 2.0 schema is absent or does not compile");
  Owned<xmlSchemaValidCtxtPtr> validator(xmlSchemaNewValidCtxt(schema));
  if (!validator) return Status::IoError("cannot set up validation against the e-SLOG 2.0 schema");
  xmlSchemaSetValidStructuredErrors(validator.get(), CollectMessage, &messages);
  if (xmlSchemaValidateDoc(validator.get(), doc.get()) != 0)
    return Status::InvalidArgument("the document is not valid against the e-SLOG 2.0 schema:\n" +
                                   messages);
  return Status::Ok();
}

}  // namespace eracuni::xml::testing
