#include "tests/reliability/run_fixture.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "batch/batch_run.h"
#include "framework/cp1250.h"
#include "workdata/fields.h"
#include "workdata/tps/tps_store.h"

namespace eracuni::reliability {

namespace H = workdata::eRACUNI;
namespace L = workdata::eRACUNIP;
namespace A = workdata::eRACPRIL;
using eracuni::testing::ReadFileOrEmpty;
using eracuni::testing::WriteFileOrDie;

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
  // The signer writes each argument on a line of its own and leaves the documents alone.
  signer_record_ = bin_.File("signer-args");
  const std::string signer = bin_.File("PodpisiXML_35.EXE");
  WriteFileOrDie(signer, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" +
                             signer_record_ + "'\n");
  chmod(signer.c_str(), 0755);
  const char* path = std::getenv("PATH");
  old_path_ = path ? path : "";
  setenv("PATH", (bin_.path() + ":" + old_path_).c_str(), 1);
}

RunTest::~RunTest() { setenv("PATH", old_path_.c_str(), 1); }

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
  auto driver = tps::NewTopSpeedDriver(files_);
  workdata::WorkFiles files(settings_, *driver, errors_);
  batch::BatchRun run({settings_, files, platform_, errors_, nullptr});
  run.Open();
  if (after_open_) after_open_();
  run.FocusMakeButton();
  run.PressMake();
  batch::WindowState result = run.window();
  run.PressCancel();
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

}  // namespace eracuni::reliability
