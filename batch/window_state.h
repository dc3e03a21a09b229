// WindowState: everything the main window shows, as plain data.
//
// The batch run (batch_run.h) owns one WindowState and changes it as the window would: the
// LOC: variables, which buttons are shown and how they are labelled, where the focus is, the
// default button and the Enter presses that invisible mode queues. The Qt window binds these
// members and forwards presses; the headless runner and the tests read them directly. Texts
// are windows-1250 bytes.
#pragma once

#include <cstdint>
#include <string>

#include "batch/run_journal.h"

namespace eracuni::batch {

// Ready -> Running -> Done -> Closed, or Ready -> Blocked -> Closed.
enum class RunState { kReady, kBlocked, kRunning, kDone, kClosed };

// The controls that take the focus or serve as default button.
enum class Control { kNone, kOkButton, kCancel, kGumbNastavitve };

struct ButtonView {
  bool visible = true;
  std::string text;
  std::string picture;
};

// Labels and pictures the window uses.
inline constexpr const char* kOkText = "  &IZDELAJ";
inline constexpr const char* kOkPicture = "xml_naredi.gif";
inline constexpr const char* kCancelText = "&PREKLI\xC8I";
inline constexpr const char* kCancelPicture = "PREKLICI.ICO";
inline constexpr const char* kCloseText = " ZAPRI";
inline constexpr const char* kClosePicture = "Izhod.GIF";
inline constexpr const char* kPackagePicture = "Vse.GIF";           // ?NASLOVNICA
inline constexpr const char* kNoPackagePicture = "VseBrezZip.GIF";  // ?NASLOVNICA:2
inline constexpr const char* kResultPrompt = "Mesto in ime datoteke - paketa za uvoz v e-Banko :";
inline constexpr const char* kMessageFont = "Arial CE";
inline constexpr const char* kReportText = "PORO\xC8ILO";  // shows the run report

struct WindowState {
  RunState state = RunState::kReady;

  // The window's variables (LOC:), capacities as the window declares them.
  std::string ODRACUNA;          // 34: number of the first header
  std::string DORACUNA;          // 34: number of the last header; names envelope and package
  int32_t STEVILORACUNOV = 0;    // headers found at opening
  std::string IZBRANABANKA;      // 40: issuer's bank of the first header
  std::string IZBRANISWIFT;      // 20: its BIC
  std::string MESTO2;            // 255: after a run, the output folder
  std::string IZHOD2;            // 255: after a run, the package (or envelope) name
  std::string IMEXMLRACUNA;      // the invoice document being written (or pre-deleted)
  std::string SEZNAMZAPODPIS;    // paths of the documents written, ";" between them
  int32_t STEVEC = 0;            // documents written in the run
  std::string DATOTEKAOVOJNICE;  // full path of the run's envelope
  std::string SEZNAMPRILOG;      // the archiver's file list, each entry ` "path"`
  std::string IMEOVOJNICE;       // file-name part of DATOTEKAOVOJNICE
  std::string IMEPAKETA;         // package base name
  RunJournal journal;            // what the run did, for the report

  // Controls.
  ButtonView ok_button{true, kOkText, kOkPicture};
  ButtonView cancel{true, kCancelText, kCancelPicture};
  bool package_picture_visible = false;     // ?NASLOVNICA
  bool no_package_picture_visible = false;  // ?NASLOVNICA:2
  bool result_visible = false;              // ?PROMPTMESTOIME and the MESTO2 and IZHOD2 entries
  bool output_info_visible = true;          // the pictures and texts about envelope and PDF
  bool report_visible = false;              // the report button, once the run wrote its report
  Control focus = Control::kNone;
  Control default_button = Control::kNone;
  // Enter presses queued by invisible mode; each presses the default button once the
  // messages open at the time are closed.
  int queued_enter = 0;
  // Default font of the windows and message boxes opened from now on; empty before.
  std::string font;
};

// Leaves only the close button: cancel relabelled " ZAPRI" and shown, make button hidden,
// the focus to `focus`.
void ShowOnlyClose(WindowState& w, Control focus);

}  // namespace eracuni::batch
