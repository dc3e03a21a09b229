// Running the main window without a display, for automation and servers.
//
// RunHeadless does what opening the window, pressing "&IZDELAJ" once and closing would do.
// LineMessageBox stands in for message boxes: each message becomes "CAPTION: text" on a
// stream (UTF-8, the caption trimmed, every "|" a line break) and a question takes its
// default answer. The exit code tells scripts how the run went.
#pragma once

#include <cstdio>
#include <string>

#include "batch/batch_run.h"
#include "framework/error_manager.h"
#include "framework/platform.h"

namespace eracuni::batch {

inline constexpr int kExitDone = 0;          // the run completed without any message
inline constexpr int kExitWithMessages = 1;  // it completed, but showed a warning or error
inline constexpr int kExitNotRun = 2;        // it could not run (a folder blank, no invoices)
inline constexpr int kExitFatal = 3;         // a fatal framework error ended it

// One message as its line(s): "CAPTION: text", UTF-8.
std::string MessageLine(const MessageRequest& request);

class LineMessageBox : public MessageBox {
 public:
  explicit LineMessageBox(std::FILE* out) : out_(out) {}
  MessageButton Show(const MessageRequest& request) override;
  int shown() const { return shown_; }

 private:
  std::FILE* out_;
  int shown_ = 0;
};

// Ends the program with kExitFatal after the fatal message has been printed.
class HeadlessTerminator : public Terminator {
 public:
  void Terminate(int exit_code, const std::string& reason) override;
};

// Opens, presses the make button once and closes; true when the run completed.
bool RunHeadless(BatchRun& run);

int HeadlessExitCode(bool completed, int messages_shown);

// Whether the run made what it names: the package, or the envelope on channels without one.
bool ResultMade(const WindowState& w);

// The result as the window shows it: the prompt, the output folder, the package or
// envelope name, one a line, UTF-8.
std::string ResultText(const WindowState& w);

}  // namespace eracuni::batch
