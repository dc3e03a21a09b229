// Shared set-up of the envelope tests: work data in memory, a fake platform, real files in
// temporary folders, and the written envelope parsed with libxml2.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "envelope/envelope.h"
#include "framework/error_manager.h"
#include "framework/testing/fakes.h"
#include "tests/support/xml_doc.h"
#include "workdata/fields.h"
#include "workdata/testing/memory_work_data.h"

namespace eracuni::envelope::testing {

namespace H = workdata::eRACUNI;

using ParsedXml = eracuni::testing::XmlDoc;

class EnvelopeTest : public ::testing::Test {
 protected:
  EnvelopeTest();

  // A header with every field an envelope reads filled in; invoice number " R-15".
  workdata::RecordBuffer& AddHeader(uint32_t ident, const std::string& number = " R-15");
  // An attachment whose file exists with `size` bytes: in the output folder for format
  // "XML" (the invoice document), else in the attachment folder.
  void AddFile(uint32_t ident, uint16_t seq, const std::string& name, const std::string& format,
               size_t size = 10);

  EnvelopeResult RunPlain() { return Run(false); }
  EnvelopeResult RunPayment() { return Run(true); }
  EnvelopeResult Run(bool payment);
  // The envelope at `path` (the run's file by default), parsed; fails the test when it is
  // not well-formed.
  ParsedXml Parse(const std::string& path = {}) const;
  std::string EnvelopePath() const { return out_.File("eOvojnica_R-15_1217.XML"); }

  eracuni::testing::FakePlatform fake_;
  ::eracuni::testing::RecordingTerminator terminator_;
  ErrorManager errors_;
  settings::Settings settings_;
  workdata::testing::MemoryWorkData data_;
  eracuni::testing::TempDir out_;
  eracuni::testing::TempDir att_;
  std::unique_ptr<workdata::WorkFiles> files_;
};

}  // namespace eracuni::envelope::testing
