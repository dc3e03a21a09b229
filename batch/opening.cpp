// The window's opening checks: pre-scan, folder check, package picture.
#include "batch/messages.h"
#include "batch/names.h"
#include "batch/stages.h"
#include "framework/cp1250.h"

namespace eracuni::batch {
namespace {

using workdata::ClipRight;
namespace eRACUNI = workdata::eRACUNI;

bool IsCreditOrDebitNote(std::string_view kind) {
  kind = ClipRight(kind);
  return kind == "381" || kind == "385";
}

void DeleteStaleOutput(BatchContext& ctx, WindowState& w, std::string_view number) {
  w.IMEXMLRACUNA = StaleOutputPath(ctx.settings.POTDOXMLRACUNOV, number, ctx.platform.clock.Now());
  Status s = ctx.platform.files.DeleteFile(Cp1250ToUtf8(w.IMEXMLRACUNA));
  if (s.ok() || s.error_code() == 2) return;
  ShowWarning(ctx.platform.messages, StaleOutputDeleteFailed(w.IMEXMLRACUNA, s), caption::kWarning);
}

}  // namespace

void PreglejDelovnePodatke(BatchContext& ctx, WindowState& w) {
  w.STEVILORACUNOV = 0;
  ctx.settings.DOBROPISBREMEPIS = 0;
  const workdata::RecordBuffer& header = ctx.files.headers().buffer();
  std::string last_number;
  workdata::WalkHeaders(ctx.files, [&] {
    ++w.STEVILORACUNOV;
    if (w.STEVILORACUNOV == 1) {
      w.ODRACUNA = CutTo(ClipRight(header.Text(eRACUNI::STEVILKARACUNA)), 34);
      w.IZBRANABANKA = CutTo(header.Clipped(eRACUNI::NAZIVBANKE1), 40);
      w.IZBRANISWIFT = CutTo(header.Clipped(eRACUNI::NAZIVBANKE2), 20);
      if (IsCreditOrDebitNote(header.Text(eRACUNI::VRSTARACUNA))) ctx.settings.DOBROPISBREMEPIS = 1;
    }
    last_number = header.Clipped(eRACUNI::STEVILKARACUNA);
    DeleteStaleOutput(ctx, w, last_number);
    return true;
  });
  w.DORACUNA = CutTo(last_number, 34);
  if (w.STEVILORACUNOV == 0) {
    ShowWarning(ctx.platform.messages, text::kNoWorkData, caption::kWarningBlank, text::kOkLabel);
    ShowOnlyClose(w, Control::kCancel);
  }
}

void PreveriPoti(BatchContext& ctx, WindowState& w) {
  for (const std::string* folder : {&ctx.settings.POTDOXMLRACUNOV, &ctx.settings.POTDOERACUNOV}) {
    if (!ClipRight(*folder).empty()) continue;
    ShowInformation(ctx.platform.messages, text::kFolderMissing, caption::kInformation);
    ShowOnlyClose(w, Control::kGumbNastavitve);
    if (w.state == RunState::kReady) w.state = RunState::kBlocked;
  }
}

void PrikaziSlikoPaketa(const settings::Settings& s, WindowState& w) {
  bool package = ChannelHasPackage(s.KATERABANKA);
  w.package_picture_visible = package;
  w.no_package_picture_visible = !package;
}

void ShowOnlyClose(WindowState& w, Control focus) {
  w.cancel = {true, kCloseText, kClosePicture};
  w.ok_button.visible = false;
  w.focus = focus;
}

}  // namespace eracuni::batch
