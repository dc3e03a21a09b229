// The EN 16931 business rules and UJP's checks, run on a finished e-SLOG 2.0 invoice model.
//
// They look at the model as a receiver would, whether it was built from the work data or
// read back from a document: the refusals of the build (build.h) stop what the work data
// cannot express, these catch what a derivation or another producer got wrong. Rules are
// data: one row per rule with its id, its flag and one small check that names every place
// the model breaks it, with the values found. The table is the single list the checker, the
// tests and the run report iterate over. Nothing here keeps state.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "eslog20/invoice_model.h"

namespace eracuni::eslog20 {

enum class RuleFlag {
  kFatal,            // the standard rejects the invoice
  kWarning,          // reported; the invoice goes out
  kFatalOnChannelU,  // UJP's own checks: fatal for channel U, a warning elsewhere
};

// Adds one Slovenian sentence (UTF-8, no rule id, no closing period) per place the model
// breaks the rule.
using RuleCheck = void (*)(const Invoice& invoice, std::vector<std::string>& failures);

struct Rule {
  std::string_view id;  // "BR-CO-10", "BR-CL-23", "UJP-03"
  RuleFlag flag;
  RuleCheck check;
};

// Every rule, in the order of their ids as the standard lists them, UJP's last.
std::span<const Rule> Rules();

struct RuleFailure {
  std::string_view rule;
  bool fatal = false;
  std::string text;  // windows-1250, like every message of the program
};

struct RuleOptions {
  bool channel_u = false;  // the documents go to UJP (KATERABANKA "U")
};

// Every failure of every rule, in table order.
std::vector<RuleFailure> CheckRules(const Invoice& invoice, RuleOptions options);

// The line a message shows for a failure (windows-1250): "text (BR-CO-10)."
std::string FailureLine(const RuleFailure& failure);

}  // namespace eracuni::eslog20
