#include "batch_fixture.h"

#include "framework/cp1250.h"

namespace eracuni::batch::testing {
namespace {

namespace H = workdata::eRACUNI;
using eracuni::testing::WriteSmallFile;

}  // namespace

BatchTest::BatchTest() : errors_(fake_.messages, terminator_) {
  errors_.Init();
  fake_.clock.Set({2018, 12, 17, 10, 0, 0, 0});
  settings_.POTDO7ZG = "7za.EXE";
  fake_.programs.AddProgram("7za.EXE", "/usr/bin/7za");
  writers_.invoice = [this](settings::Settings& s, workdata::WorkFiles& f, FileSystem& fs,
                            std::string_view name) {
    std::string kind(f.headers().buffer().Clipped(H::VRSTARACUNA));
    s.DOBROPISBREMEPIS = kind == "381" || kind == "385";
    events_.push_back("invoice " + std::string(name));
    return WriteSmallFile(fs, Cp1250ToUtf8(s.POTDOXMLRACUNOV + std::string(name)), "<r/>");
  };
  // A 2.0 run writes the same stand-in documents, through whatever `invoice` is then.
  writers_.invoice20 = [this](settings::Settings& s, workdata::WorkFiles& f, FileSystem& fs,
                              std::string_view name) {
    eslog20::DocumentOutcome o;
    o.status = writers_.invoice(s, f, fs, name);
    return o;
  };
  writers_.plain_envelope = [this](settings::Settings& s, workdata::WorkFiles& f, Platform& p,
                                   const std::string& path,
                                   const envelope::WrittenDocuments* written) {
    events_.push_back("plain " + path);
    return envelope::IzdelajOvojnico(s, f, p, path, written);
  };
  writers_.payment_envelope = [this](settings::Settings& s, workdata::WorkFiles& f, Platform& p,
                                     const std::string& path,
                                     const envelope::WrittenDocuments* written) {
    events_.push_back("payment " + path);
    return envelope::IzdelajOvojnicoZPlacilom(s, f, p, path, written);
  };
  fake_.programs.on_run = [this](const eracuni::testing::ProgramCall& c) -> Result<int> {
    events_.push_back("program " + c.program);
    // The archiver's stand-in leaves a package when it succeeds.
    if (fake_.programs.exit_code == 0 && c.args.size() > 7 && c.args[0] == "a")
      eracuni::testing::WriteFileOrDie(c.args[7], "PK");
    return fake_.programs.exit_code;
  };
}

workdata::RecordBuffer& BatchTest::AddHeader(uint32_t ident, const std::string& number,
                                             const std::string& kind, const std::string& bic) {
  workdata::RecordBuffer& h = data_.AddHeader(ident);
  h.SetText(H::STEVILKARACUNA, number);
  h.SetText(H::VRSTARACUNA, kind);
  h.SetText(H::NAZIVBANKE1, "Banka Intesa Sanpaolo d.d.");
  h.SetText(H::NAZIVBANKE2, bic);
  return h;
}

void BatchTest::AddInvoice(uint32_t ident, const std::string& number, const std::string& kind) {
  AddHeader(ident, number, kind);
  data_.AddAttachment(ident, 1, number + ".XML", out_.path(), "XML");
  data_.AddAttachment(ident, 2, number + ".pdf", att_.path(), "PDF");
  eracuni::testing::WriteFileOrDie(att_.File(number + ".pdf"), "%PDF-1.4");
}

BatchRun& BatchTest::Run() {
  run_.reset();  // an earlier run closes its work files before they go
  files_ = data_.Open(settings_, errors_);
  settings_.POTDOXMLRACUNOV = out_.path();
  run_ = std::make_unique<BatchRun>(
      BatchContext{settings_, *files_, fake_.platform, errors_, nullptr, writers_});
  return *run_;
}

BatchRun& BatchTest::OpenAndMake() {
  BatchRun& r = Run();
  r.Open();
  r.FocusMakeButton();
  r.PressMake();
  return r;
}

std::vector<std::string> BatchTest::Captions() const {
  std::vector<std::string> v;
  for (const MessageRequest& m : fake_.messages.shown()) v.push_back(m.caption);
  return v;
}

std::vector<std::string> BatchTest::Texts() const {
  std::vector<std::string> v;
  for (const MessageRequest& m : fake_.messages.shown()) v.push_back(m.text);
  return v;
}

}  // namespace eracuni::batch::testing
