// Pieces shared by the rule files of eslog20 (rules.cpp, rules_vat.cpp); internal.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "eslog20/rules.h"
#include "eslog20/work_forms.h"  // Quoted

namespace eracuni::eslog20::internal {

using Failures = std::vector<std::string>;

// "12.50", or "(ni)" for an absent value.
std::string Str(const std::optional<Decimal>& d);
// "Postavka 3: ", by the line's identifier, or by its place when it has none.
std::string LinePrefix(const Line& line, size_t index);
// The exact sum; nothing when a term is absent or the sum overflows.
std::optional<Decimal> Sum(std::span<const std::optional<Decimal>> terms);
// value × rate / 100 rounded half away from zero to cents.
std::optional<Decimal> TaxOf(Decimal base, Decimal rate);

// The rules of the VAT categories (BR-S-nn, BR-AE-nn, BR-E-nn, BR-Z-nn, BR-IC-nn, BR-G-nn,
// BR-O-nn), in that order.
std::span<const Rule> VatCategoryRules();

}  // namespace eracuni::eslog20::internal
