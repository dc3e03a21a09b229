// Whole runs over real work files: TopSpeed files written by our own store into a work
// folder, attachments in their own folder, the real writers, the real file system behind
// FaultyFileSystem (for full disks and write errors), the real archiver and a stand-in
// signer on PATH that records what it was given.
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
#include "tests/support/stand_in_signer.h"
#include "workdata/record_buffer.h"
#include "workdata/table_driver.h"
#include "workdata/testing/memory_work_data.h"
#include "workdata/work_files.h"

namespace eracuni::testing {

// Every regular file under `dir` (names relative to it, "/" apart) with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& dir);

class RunTest : public ::testing::Test {
 protected:
  RunTest();

  // A header the writers can describe, with number `number` (windows-1250).
  workdata::RecordBuffer& AddHeader(uint32_t ident, const std::string& number,
                                    const std::string& bic = "BAKOSI2X");
  // The first line of the header added last (each header gets one), to fill in.
  workdata::RecordBuffer& LastLine() { return *last_line_; }
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
  // The run Run() made, closed, kept until the next one.
  batch::BatchRun& last_run() { return *run_; }

  std::vector<std::string> Captions() const;
  std::vector<std::string> Texts() const;  // UTF-8
  std::string AllTexts() const;            // every message, one a line, UTF-8

  TempDir work_, out_, att_;
  StandInSigner signer_;
  ScriptedMessageBox messages_;
  FixedClock clock_{{2026, 12, 8, 9, 30, 15, 42}};
  FaultyFileSystem files_;
  SequenceRandom random_;
  Platform platform_;
  RecordingTerminator terminator_;
  ErrorManager errors_;
  settings::Settings settings_;
  // Runs between the window's opening and the press of the make button.
  std::function<void()> after_open_;

 private:
  workdata::testing::MemoryWorkData data_;  // the records, until WriteWorkFiles
  workdata::RecordBuffer* last_line_ = nullptr;
  std::unique_ptr<workdata::TableDriver> driver_;
  std::unique_ptr<workdata::WorkFiles> work_files_;
  std::unique_ptr<batch::BatchRun> run_;
};

}  // namespace eracuni::testing
