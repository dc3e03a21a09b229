// WriteInvoiceDocument: the e-SLOG 2.0 document of one invoice model.
//
// The writer only serialises: every value comes from the model (invoice_model.h) as it
// stands, in the schema's element order, through our XmlWriter. The document goes to a
// temporary name beside `path` and is renamed into place only when it is complete, so a
// failure never leaves a file under its name. The schema allows no empty element: an absent
// term or a blank text is left out, and so is every parent that would be left without
// children. A text longer than its element allows is cut to the schema's length in
// characters, never inside one. The caller owns the model and the file system.
#pragma once

#include <string>

#include "eslog20/invoice_model.h"
#include "framework/platform.h"
#include "framework/status.h"

namespace eracuni::eslog20 {

inline constexpr std::string_view kEslog20Namespace = "urn:eslog:2.00";

// `path` is UTF-8. The failure to create, write or rename the file, if any.
Status WriteInvoiceDocument(const Invoice& invoice, FileSystem& fs, const std::string& path);

// The schema's longest text of a free-text data element (D_...) this writer uses, in
// characters; 0 for the others (codes, dates, numbers), which are never cut.
size_t SchemaTextLength(std::string_view element);

}  // namespace eracuni::eslog20
