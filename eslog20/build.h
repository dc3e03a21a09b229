// Building the e-SLOG 2.0 invoice model from the work data.
//
// BuildInvoice reads the header and its lines, derives every value of the document (VAT
// categories, breakdown, totals with the BT-114 reconciliation, prices, allowances, payment
// means and reference, unit and type codes) and checks whether the invoice can be expressed
// at all. It gives either the model or every reason it cannot, never only the first. It
// writes nothing and changes no setting; the caller owns the result.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "eslog20/invoice_model.h"
#include "settings/settings.h"
#include "workdata/record_buffer.h"
#include "workdata/work_files.h"

namespace eracuni::eslog20 {

// One reason an invoice cannot be written: the condition's id ("R01".."R36") and its
// message line, windows-1250 like every message of the program, naming the field or the
// EN 16931 rule and the stored value.
struct Refusal {
  std::string id;
  std::string line;
};

// The model, or the reasons (then `invoice` holds whatever could be derived and must not
// be written).
struct BuildResult {
  Invoice invoice;
  std::vector<Refusal> refusals;
  bool ok() const { return refusals.empty(); }
};

// The header in the headers' buffer of `files` and its lines, walked in line-number order.
// Reads settings.OBDOBJERACUNA, DDVKATEGORIJA0 and DDVOPROSTITEV0.
BuildResult BuildInvoice(const settings::Settings& settings, workdata::WorkFiles& files);
// The same from records held by the caller (tools and tests); `lines` in line-number order.
BuildResult BuildInvoice(const settings::Settings& settings, const workdata::RecordBuffer& header,
                         std::span<const workdata::RecordBuffer> lines);

// The refusal message box text (windows-1250, "|" starts a new line): the invoice named by
// its trimmed number or "(ID n)", one "- " line per reason, then the closing sentence.
std::string RefusalMessageText(const workdata::RecordBuffer& header,
                               const std::vector<Refusal>& refusals);
// Caption of that message box.
inline constexpr std::string_view kRefusalCaption = " NAPAKA e-SLOG 2.0";

}  // namespace eracuni::eslog20
