#include "batch/headless.h"

#include <algorithm>
#include <cstdlib>

#include "framework/cp1250.h"
#include "workdata/record_buffer.h"

namespace eracuni::batch {

std::string MessageLine(const MessageRequest& request) {
  // Names from the work data may hold control characters: only "|" breaks a line here.
  std::string text = EscapeControls(Cp1250ToUtf8(request.text));
  std::replace(text.begin(), text.end(), '|', '\n');
  return EscapeControls(Cp1250ToUtf8(workdata::ClipBoth(request.caption))) + ": " + text;
}

MessageButton LineMessageBox::Show(const MessageRequest& request) {
  ++shown_;
  std::fprintf(out_, "%s\n", MessageLine(request).c_str());
  std::fflush(out_);
  return request.buttons == MessageButtons::kOk ? MessageButton::kOk : request.default_button;
}

void HeadlessTerminator::Terminate(int, const std::string&) {
  // The message itself is already on standard error.
  std::fflush(nullptr);
  std::_Exit(kExitFatal);
}

bool RunHeadless(BatchRun& run) {
  run.Open();
  if (run.window().focus != Control::kOkButton) run.FocusMakeButton();
  run.PressMake();
  bool completed = run.window().state == RunState::kDone;
  run.PressCancel();
  return completed;
}

int HeadlessExitCode(bool completed, int messages_shown) {
  if (!completed) return kExitNotRun;
  return messages_shown == 0 ? kExitDone : kExitWithMessages;
}

bool ResultMade(const WindowState& w) {
  const RunJournal& j = w.journal;
  return j.package_path.empty() ? j.envelope_written : j.package_made;
}

std::string ResultText(const WindowState& w) {
  return Cp1250ToUtf8(kResultPrompt) + "\n" + Cp1250ToUtf8(w.MESTO2) + "\n" +
         Cp1250ToUtf8(w.IZHOD2) + "\n";
}

}  // namespace eracuni::batch
