// Test support for the invoice document: a complete invoice in work data, a run of
// IzdelajXMLRacun into a temporary folder, and XPath queries on the result. Every document
// a fixture parses is also checked against the e-SLOG 1.6 schema when it is available.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "framework/status.h"
#include "framework/testing/fakes.h"
#include "settings/settings.h"
#include "tests/support/xml_doc.h"
#include "workdata/record_buffer.h"

namespace eracuni::eslog::testing {

using eracuni::testing::XmlDoc;

// The header every test starts from: all sections filled, every optional block on.
void FillFullHeader(workdata::RecordBuffer& h);
// A line at 22 % with every optional block; `description` is its first description.
void FillLine(workdata::RecordBuffer& l, const std::string& description);

class InvoiceTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kIdent = 7;
  InvoiceTest();

  workdata::RecordBuffer& AddLine(uint32_t line_number, const std::string& description = "Izdelek",
                                  uint32_t ident = kIdent);
  // Writes the document of header kIdent as "racun.xml" in dir.
  Status Write();
  std::string Output() const;
  // Write(), then the parsed result; fails the test when writing fails, the document is
  // not well-formed, or the schema refuses it.
  XmlDoc Doc();

  settings::Settings settings;
  workdata::RecordBuffer header;
  std::deque<workdata::RecordBuffer> lines;
  eracuni::testing::TempDir dir;
  eracuni::testing::FaultyFileSystem fs;
};

}  // namespace eracuni::eslog::testing
