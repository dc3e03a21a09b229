// Whole runs over real work files: TopSpeed files written by our own store into a work
// folder, attachments in their own folder, the real writers, the real file system behind
// FaultyFileSystem (for full disks and write errors), the real archiver and a stand-in
// signer on PATH that records the arguments it was given.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "framework/error_manager.h"
#include "framework/testing/fakes.h"
#include "settings/settings.h"
#include "workdata/record_buffer.h"
#include "workdata/table_driver.h"
#include "workdata/work_files.h"

namespace eracuni::reliability {

// Every regular file under `dir` (names relative to it) with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& dir);

class RunTest : public ::testing::Test {
 protected:
  RunTest();
  ~RunTest() override;

  // A header the writers can describe, with number `number` (windows-1250).
  workdata::RecordBuffer& AddHeader(uint32_t ident, const std::string& number,
                                    const std::string& bic = "BAKOSI2X");
  // An attachment record; its file is created in `folder` when `bytes` is not empty.
  void AddAttachment(uint32_t ident, uint16_t seq, const std::string& name,
                     const std::string& folder, const std::string& format,
                     const std::string& bytes = {});
  // An invoice: header, "<number>.XML" naming its document, a PDF and a text attachment.
  void AddInvoice(uint32_t ident, const std::string& number, const std::string& bic = "BAKOSI2X");

  // Writes the three TopSpeed files into the work folder.
  void WriteWorkFiles();
  // Opens the window, presses the make button, closes; the run's window state.
  batch::WindowState Run();

  std::vector<std::string> Captions() const;
  std::vector<std::string> Texts() const;  // UTF-8
  std::string AllTexts() const;            // every message, one a line, UTF-8

  eracuni::testing::TempDir work_, out_, att_, bin_;
  eracuni::testing::ScriptedMessageBox messages_;
  eracuni::testing::FixedClock clock_{{2026, 12, 8, 9, 30, 15, 42}};
  eracuni::testing::FaultyFileSystem files_;
  eracuni::testing::SequenceRandom random_;
  Platform platform_;
  eracuni::testing::RecordingTerminator terminator_;
  ErrorManager errors_;
  settings::Settings settings_;
  std::string signer_record_;
  // Runs between the window's opening and the press of the make button.
  std::function<void()> after_open_;  // one argument a line, as the signer received them

 private:
  std::vector<workdata::RecordBuffer> headers_, lines_, attachments_;
  std::string old_path_;
};

}  // namespace eracuni::reliability
