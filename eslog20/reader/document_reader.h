// Reading an e-SLOG 2.0 document back into the invoice model, so the business rules
// (rules.h) can judge documents we did not write.
//
// It reads the positions the model has terms for and passes over every other one (a
// signature, parties and segments the model does not carry, a G_SG52 of another tax). It
// does not validate against the schema: a value the model cannot hold (a number that is not
// a decimal) or bytes that are not an e-SLOG 2.0 document give a refusal instead. The entry
// is a pure function of the bytes: no file, no network, no state; any input gives a model or
// a refusal. Uses libxml2, so only the checker tool and the tests link this library.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "eslog20/invoice_model.h"

namespace eracuni::eslog20 {

struct ReadResult {
  std::optional<Invoice> invoice;
  std::string problem;  // UTF-8, Slovenian, when there is no invoice
};

ReadResult ReadInvoiceDocument(std::string_view bytes);

}  // namespace eracuni::eslog20
