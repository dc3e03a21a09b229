#include "tests/support/run_fixture.h"

#include <filesystem>

#include "batch/batch_run.h"
#include "framework/cp1250.h"
#include "workdata/fields.h"
#include "workdata/tps/tps_store.h"

namespace eracuni::testing {

namespace H = workdata::eRACUNI;
namespace L = workdata::eRACUNIP;
namespace A = workdata::eRACPRIL;

std::map<std::string, std::string> Snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
    if (e.is_regular_file())
      files[std::filesystem::relative(e.path(), dir).string()] = ReadFileOrEmpty(e.path().string());
  return files;
}

RunTest::RunTest()
    : platform_{messages_, clock_, files_, PosixProgramRunner(), random_},
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
  headers_.emplace_back(workdata::HeaderLayout());
  workdata::RecordBuffer& h = headers_.back();
  h.Clear();
  h.SetU32(H::IDENTRACUN, ident);
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
  lines_.emplace_back(workdata::LineLayout());
  workdata::RecordBuffer& l = lines_.back();
  l.Clear();
  l.SetU32(L::IDENTRACUN, ident);
  l.SetU32(L::ZAPSTEVPOST, 1);
  return h;
}

void RunTest::AddAttachment(uint32_t ident, uint16_t seq, const std::string& name,
                            const std::string& folder, const std::string& format,
                            const std::string& bytes) {
  attachments_.emplace_back(workdata::AttachmentLayout());
  workdata::RecordBuffer& a = attachments_.back();
  a.Clear();
  a.SetU32(A::IDENTRACUN, ident);
  a.SetU16(A::ZAPSTEV, seq);
  a.SetText(A::IMEPRILOGE, name);
  a.SetText(A::POTDOPRILOGE, folder);
  a.SetText(A::FORMATPRILOGE, format);
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
  auto records = [](const std::vector<workdata::RecordBuffer>& buffers) {
    std::vector<std::string> out;
    for (const auto& b : buffers) out.emplace_back(b.bytes());
    return out;
  };
  FileSystem& fs = PosixFileSystem();
  ASSERT_TRUE(
      tps::WriteTable(fs, settings_.POTERACUNI, workdata::HeaderLayout(), records(headers_)).ok());
  ASSERT_TRUE(
      tps::WriteTable(fs, settings_.POTERACUNIP, workdata::LineLayout(), records(lines_)).ok());
  ASSERT_TRUE(tps::WriteTable(fs, settings_.POTERACPRIL, workdata::AttachmentLayout(),
                              records(attachments_))
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
