// Schema validation of written documents, for tests.
//
// Documents are validated in-process with libxml2 against XML Schemas kept in the shared
// reference folder. A catalog.xml beside the schema maps the published schema addresses to
// the local copies, and the network is never used: an import that neither the catalog nor
// the local folder resolves is an error. The libxml2 messages ("file:line: message") of an
// invalid document are the Status message.
//
// Libxml2 has no Windows build: there no schema is available and validation is Unsupported,
// so the tests that validate when they can write and compare the same bytes without it.
#pragma once

#include <string>
#include <string_view>

#include "framework/status.h"

namespace eracuni::xml::testing {

// Ok when the document at `xml_path` is well-formed and valid against `xsd_path`.
Status ValidateWithSchema(const std::string& xml_path, const std::string& xsd_path);

// The folder of the e-SLOG 1.6 schemas in the shared folder, or "" when it is absent.
std::string Eslog16SchemaDir();
bool Eslog16SchemaAvailable();
// Against the e-SLOG 1.6 simple invoice schema; NotFound when the schema is absent.
Status ValidateEslog16(const std::string& xml_path);

// The same for the e-SLOG 2.0 invoice schema (with its catalog and the signature schema it
// imports).
std::string Eslog20SchemaDir();
bool Eslog20SchemaAvailable();
Status ValidateEslog20(const std::string& xml_path);

// A document held in memory: Corruption when it is not well-formed, NotFound when it is but
// the e-SLOG 2.0 schema is absent, otherwise its validity. The schema is compiled once per
// process, for callers that check many documents (the fuzz targets).
Status ValidateEslog20Document(std::string_view document);

}  // namespace eracuni::xml::testing
