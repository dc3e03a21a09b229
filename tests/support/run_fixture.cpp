#include "tests/support/run_fixture.h"

#include <filesystem>

#include "batch/batch_run.h"
#include "framework/cp1250.h"
#include "workdata/fields.h"
#include "workdata/tps/tps_store.h"

namespace eracuni::testing {

namespace H = workdata::eRACUNI;

std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
    if (e.is_regular_file())
      files[std::filesystem::relative(e.path(), dir).generic_string()] =
          ReadFileOrEmpty(e.path().string());
  return files;
}

RunTest::RunTest()
    : platform_{messages_, clock_, files_, SystemProgramRunner(), random_},
      errors_(messages_, terminator_) {
  errors_.Init();
  settings_.POTDOERACUNOV = work_.path();
  settings_.POTERACUNI = work_.File("eRACUNI.TPS");
  settings_.POTERACUNIP = work_.File("eRACUNIP.TPS");
  settings_.POTERACPRIL = work_.File("eRACPRIL.TPS");
  settings_.POTDOXMLRACUNOV = out_.path();
  settings_.POTDO7ZG = "7za.EXE";
}

workdata::RecordBuffer& RunTest::AddHeader(uint32_t ident, const std::string& number,
                                           const std::string& bic) {
  workdata::RecordBuffer& h = data_.AddHeader(ident);
  h.SetText(H::STEVILKARACUNA, number);
  h.SetText(H::VRSTARACUNA, "380");
  h.SetText(H::DATUMRACUNA, "2026-12-08T00:00:00");
  h.SetText(H::KODAVALUTE, "EUR");
  h.SetText(H::NAZIVPARTNERJA1,
            "Mizarstvo \x8E"
            "agar d.o.o.");
  h.SetText(H::NAZIVBANKE1, "Banka d.d.");
  h.SetText(H::NAZIVBANKE2, bic);
  h.SetText(H::PODATEKPODJETJABY1, "SI87654321");
  h.SetText(H::ZNESEKRACUNASKUPAJ, "122.00");
  last_line_ = &data_.AddLine(ident, 1);
  return h;
}

void RunTest::AddAttachment(uint32_t ident, uint16_t seq, const std::string& name,
                            const std::string& folder, const std::string& format,
                            const std::string& bytes) {
  data_.AddAttachment(ident, seq, name, folder, format);
  if (!bytes.empty()) WriteFileOrDie(Cp1250ToUtf8(folder + name), bytes);
}

void RunTest::AddInvoice(uint32_t ident, const std::string& number, const std::string& bic) {
  AddHeader(ident, number, bic);
  AddAttachment(ident, 1, number + ".XML", settings_.POTDOXMLRACUNOV, "XML");
  AddAttachment(ident, 2, "scan " + number + ".pdf", att_.path(), "PDF",
                "%PDF-1.4 " + number + "\n");
  AddAttachment(ident, 3, "opomba " + number + ".txt", att_.path(), "TXT", "opomba\n");
}

void RunTest::WriteWorkFiles() {
  FileSystem& fs = SystemFileSystem();
  ASSERT_TRUE(
      tps::WriteTable(fs, settings_.POTERACUNI, workdata::HeaderLayout(), data_.HeaderRecords())
          .ok());
  ASSERT_TRUE(
      tps::WriteTable(fs, settings_.POTERACUNIP, workdata::LineLayout(), data_.LineRecords())
          .ok());
  ASSERT_TRUE(tps::WriteTable(fs, settings_.POTERACPRIL, workdata::AttachmentLayout(),
                              data_.AttachmentRecords())
                  .ok());
}

batch::WindowState RunTest::Run() {
  run_.reset();
  work_files_.reset();
  driver_ = tps::NewTopSpeedDriver(files_);
  work_files_ = std::make_unique<workdata::WorkFiles>(settings_, *driver_, errors_);
  run_ = std::make_unique<batch::BatchRun>(
      batch::BatchContext{settings_, *work_files_, platform_, errors_, nullptr});
  run_->Open();
  if (after_open_) after_open_();
  run_->FocusMakeButton();
  run_->PressMake();
  batch::WindowState result = run_->window();
  run_->PressCancel();
  return result;
}

std::vector<std::string> RunTest::Captions() const {
  std::vector<std::string> out;
  for (const auto& m : messages_.shown()) out.push_back(m.caption);
  return out;
}

std::vector<std::string> RunTest::Texts() const {
  std::vector<std::string> out;
  for (const auto& m : messages_.shown()) out.push_back(Cp1250ToUtf8(m.text));
  return out;
}

std::string RunTest::AllTexts() const {
  std::string all;
  for (const std::string& t : Texts()) all += t + "\n";
  return all;
}

}  // namespace eracuni::testing
