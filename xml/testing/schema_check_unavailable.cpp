// Schema validation where libxml2 is missing (the Windows build): no schema is available,
// and a validation asked for anyway says why. The Linux build validates the same bytes.
#include "xml/testing/schema_check.h"

namespace eracuni::xml::testing {
namespace {

Status NoValidator() { return Status::Unsupported("not on Windows: no libxml2 to validate with"); }

}  // namespace

Status ValidateWithSchema(const std::string&, const std::string&) { return NoValidator(); }
std::string Eslog16SchemaDir() { return {}; }
bool Eslog16SchemaAvailable() { return false; }
Status ValidateEslog16(const std::string&) { return NoValidator(); }
std::string Eslog20SchemaDir() { return {}; }
bool Eslog20SchemaAvailable() { return false; }
Status ValidateEslog20(const std::string&) { return NoValidator(); }
Status ValidateEslog20Document(std::string_view) { return NoValidator(); }

}  // namespace eracuni::xml::testing
