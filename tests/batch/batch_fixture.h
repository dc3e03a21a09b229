// Shared set-up of the batch tests: work data in memory, a fake platform, an output folder
// on disk, a stand-in invoice writer that writes small files, the real envelope writers,
// and an archiver stand-in that leaves a package; what was called is recorded in one event
// list with the programs the run starts.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "framework/error_manager.h"
#include "framework/testing/fakes.h"
#include "workdata/fields.h"
#include "workdata/testing/memory_work_data.h"

namespace eracuni::batch::testing {

class BatchTest : public ::testing::Test {
 protected:
  BatchTest();

  // A header with its number, kind and the issuer's bank and BIC.
  workdata::RecordBuffer& AddHeader(uint32_t ident, const std::string& number,
                                    const std::string& kind = "380",
                                    const std::string& bic = "BAKOSI2X");
  // A header with an "XML" attachment named after its number and a PDF in att_.
  void AddInvoice(uint32_t ident, const std::string& number, const std::string& kind = "380");

  // The BatchRun over the data added so far, with the fixture's writers; not yet opened.
  BatchRun& Run();
  // Opened, the make button focused and pressed.
  BatchRun& OpenAndMake();

  // Captions and texts of the messages shown so far.
  std::vector<std::string> Captions() const;
  std::vector<std::string> Texts() const;

  eracuni::testing::FakePlatform fake_;
  ::eracuni::testing::RecordingTerminator terminator_;
  ErrorManager errors_;
  settings::Settings settings_;
  workdata::testing::MemoryWorkData data_;
  eracuni::testing::TempDir out_;
  eracuni::testing::TempDir att_;
  DocumentWriters writers_;
  // "invoice NAME", "plain PATH", "payment PATH", "program PATH" in call order.
  std::vector<std::string> events_;
  std::unique_ptr<workdata::WorkFiles> files_;
  std::unique_ptr<BatchRun> run_;
};

}  // namespace eracuni::batch::testing
