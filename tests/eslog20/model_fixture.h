// Test support for the e-SLOG 2.0 model: a valid one-line invoice in work data to change
// per test, and the EN 16931 arithmetic every built model must satisfy.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eslog20/build.h"
#include "settings/settings.h"
#include "workdata/record_buffer.h"

namespace eracuni::eslog20::testing {

// BR-CO-10, -13, -14, -15, -16, -17, the breakdown bases, the line formula and the codes
// against their lists.
void ExpectEn16931Arithmetic(const Invoice& invoice);

class ModelTest : public ::testing::Test {
 public:
  ModelTest();

  // A line of `quantity` × `price` = `amount` at `rate`, unit C62 ("one").
  workdata::RecordBuffer& AddLine(uint32_t number, const char* quantity, const char* price,
                                  const char* amount, const char* rate);
  void Set(workdata::Field f, const std::string& value) { header.SetText(f, value); }
  // Builds; a model that is not refused must satisfy the arithmetic.
  BuildResult Build();
  // The refusal lines as UTF-8.
  std::vector<std::string> Refusals();

  settings::Settings settings;
  workdata::RecordBuffer header;
  std::vector<workdata::RecordBuffer> lines;
};

// "12.50" for a value, "-" when absent.
std::string S(const std::optional<Decimal>& d);

}  // namespace eracuni::eslog20::testing
