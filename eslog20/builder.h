// Builder: derives the model of one invoice, header first, then line by line, then the
// breakdown, totals and the checks that need the whole invoice. Internal to eslog20; the
// lines are taken one at a time so the caller may stream them from its walk.
#pragma once

#include <string>

#include "eslog20/build.h"
#include "eslog20/work_forms.h"

namespace eracuni::eslog20::internal {

class Builder {
 public:
  Builder(const settings::Settings& settings, const workdata::RecordBuffer& header);

  void AddLine(const workdata::RecordBuffer& line);
  BuildResult Finish();

 private:
  // build.cpp
  void ReadDocument();
  void ReadNotes();
  void ReadReferences();
  void ReadParties();
  void ReadPayment();
  void ReadTotalsInput();
  // build_lines.cpp
  std::string Description(const workdata::RecordBuffer& line) const;
  std::string UnitCode(FieldReader& r);
  void ReadAllowance(FieldReader& r, Line& line, Decimal* allowances, Decimal* charges);
  void DerivePrice(FieldReader& r, Line& line, Decimal allowances, Decimal charges);
  void ReadLineVat(FieldReader& r, Line& line);
  // build_totals.cpp
  void BuildBreakdown();
  void BuildTotals();
  void CheckCategories();

  const settings::Settings& settings_;
  const workdata::RecordBuffer& header_;
  Problems problems_;
  FieldReader head_;
  Invoice invoice_;
  bool reverse_charge_ = false;
  std::string zero_category_;  // the category of lines at rate 0
  std::string payment_method_;  // NP, the stored payment-method code (trimmed)
  std::optional<Decimal> paid_;     // P: sum of the stored "113" amounts
  std::optional<Decimal> payable_;  // T: the stored amount for payment
  bool totals_input_ok_ = true;
};

}  // namespace eracuni::eslog20::internal
