#include "batch/batch_run.h"

#include "batch/messages.h"
#include "batch/names.h"
#include "batch/stages.h"

namespace eracuni::batch {
namespace {

constexpr const char* kProcedureName = "IzdelavaXMLRacunOvoj";

bool Blank(const std::string& s) { return workdata::ClipRight(s).empty(); }

void BlockForNoInvoices(BatchContext& ctx, WindowState& w) {
  ShowInformation(ctx.platform.messages, text::kNoInvoices, caption::kInformation);
  ShowOnlyClose(w, Control::kGumbNastavitve);
  w.state = RunState::kBlocked;
}

}  // namespace

BatchRun::BatchRun(BatchContext context)
    : own_recorder_(context.platform.messages),
      platform_{context.recorder ? context.platform.messages : own_recorder_,
                context.platform.clock, context.platform.files, context.platform.programs,
                context.platform.random},
      ctx_{context.settings,
           context.files,
           platform_,
           context.errors,
           std::move(context.read_settings),
           std::move(context.writers),
           context.recorder},
      recorder_(context.recorder ? *context.recorder : own_recorder_) {}

BatchRun::~BatchRun() { PressCancel(); }

void BatchRun::Prepare() {
  if (prepared_) return;
  prepared_ = true;
  recorder_.RecordInto(&window_.journal.messages);
  ctx_.errors.EnterProcedure(kProcedureName);
  if (ctx_.read_settings) ctx_.read_settings(ctx_.settings);
  // A file that fails to open has shown its message and walks empty.
  (void)ctx_.files.OpenAll();
}

void BatchRun::Open() {
  if (opened_) return;
  Prepare();
  opened_ = true;

  settings::Settings& s = ctx_.settings;
  bool folders_set = !Blank(s.POTDOXMLRACUNOV) && !Blank(s.POTDOERACUNOV);
  if (folders_set) {
    PreglejDelovnePodatke(ctx_, window_);
    if (window_.STEVILORACUNOV == 0) BlockForNoInvoices(ctx_, window_);
  } else {
    ShowWarning(ctx_.platform.messages, text::kSetFoldersFirst, caption::kWarningBlank);
    window_.focus = Control::kGumbNastavitve;
  }
  s.KATERABANKA = DeriveChannel(s.ODDAJAUJP, window_.IZBRANISWIFT);
  PrikaziSlikoPaketa(s, window_);

  if (s.SKRITINACIN != 0) {
    // A hidden button cannot take the focus; the queued press then finds nothing to do.
    if (window_.ok_button.visible) FocusMakeButton();
    window_.default_button = Control::kOkButton;
    ++window_.queued_enter;
  }
  window_.font = kMessageFont;
}

void BatchRun::FocusMakeButton() {
  // Before the opening's own checks nothing is checked (a window takes focus when shown).
  if (!opened_ || window_.state != RunState::kReady || !window_.ok_button.visible) return;
  window_.focus = Control::kOkButton;
  PreveriPoti(ctx_, window_);
  PrikaziSlikoPaketa(ctx_.settings, window_);
}

void BatchRun::PressMake() {
  // One run per window: after it (or once blocked) the make button is gone.
  if (window_.state != RunState::kReady || !window_.ok_button.visible) return;
  if (window_.STEVILORACUNOV == 0) {
    BlockForNoInvoices(ctx_, window_);
    return;
  }
  window_.state = RunState::kRunning;
  // A fresh journal; the messages of the window's opening stay part of the run's story.
  std::vector<std::string> opening = std::move(window_.journal.messages);
  window_.journal = RunJournal{};
  window_.journal.messages = std::move(opening);
  BeginJournal(ctx_, window_);
  if (CheckOutputFolder(ctx_, window_)) {
    RunInvoiceLoop(ctx_, window_);
    CompleteRun(ctx_, window_, command_log_);
  } else {
    SetResultValues(ctx_.settings, window_);
  }
  recorder_.RecordInto(nullptr);  // the report is written: what follows is not the run's

  window_.result_visible = true;
  window_.output_info_visible = false;
  if (ctx_.settings.SKRITINACIN != 0) {
    window_.default_button = Control::kCancel;
    ++window_.queued_enter;
  }
  ShowOnlyClose(window_, Control::kCancel);
  window_.state = RunState::kDone;
}

void BatchRun::PressCancel() {
  if (!prepared_ || window_.state == RunState::kClosed) return;
  recorder_.RecordInto(nullptr);
  ctx_.files.CloseAll();
  ctx_.errors.LeaveProcedure();
  window_.state = RunState::kClosed;
}

void BatchRun::PressEnter() {
  Control target = window_.default_button;
  if (target == Control::kOkButton) PressMake();
  if (target == Control::kCancel) PressCancel();
}

Result<std::string> BatchRun::PressReport() {
  if (window_.journal.report_path.empty()) return Status::NotFound("no report was written");
  return ReadRunReport(ctx_, window_);
}

void BatchRun::ProcessQueuedKeys() {
  while (window_.queued_enter > 0 && window_.state != RunState::kClosed) {
    --window_.queued_enter;
    PressEnter();
  }
}

}  // namespace eracuni::batch
