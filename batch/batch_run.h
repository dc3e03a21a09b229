// BatchRun: the main window's work without the window.
//
// One BatchRun is one main window: it opens (settings, work files, pre-scan, channel), makes
// at most one run when the make button is pressed (invoice loop, signer, envelope, package,
// result, report), and closes. Everything it shows is in its WindowState; every message goes
// through the platform's message boxes and is noted in the run journal. The caller owns the
// settings, the work files, the platform and the error manager, and keeps them alive for the
// BatchRun's lifetime.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/messages.h"
#include "batch/window_state.h"
#include "envelope/envelope.h"
#include "eslog20/document.h"
#include "framework/error_manager.h"
#include "framework/platform.h"
#include "settings/settings.h"
#include "workdata/work_files.h"

namespace eracuni::batch {

// The document writers the run calls; StandardWriters() gives the e-SLOG and envelope
// writers, tests may put stand-ins in their place.
struct DocumentWriters {
  std::function<Status(settings::Settings&, workdata::WorkFiles&, FileSystem&,
                       std::string_view ime_xml_racuna)>
      invoice;  // IzdelajXMLRacun, e-SLOG 1.6
  std::function<eslog20::DocumentOutcome(settings::Settings&, workdata::WorkFiles&, FileSystem&,
                                         std::string_view ime_xml_racuna)>
      invoice20;  // IzdelajXMLRacun20, when the settings choose e-SLOG 2.0
  // The envelope describes the invoices in `written` only.
  using EnvelopeWriter = std::function<envelope::EnvelopeResult(
      settings::Settings&, workdata::WorkFiles&, Platform&, const std::string& datoteka_ovojnice,
      const envelope::WrittenDocuments* written)>;
  EnvelopeWriter plain_envelope;    // IzdelajOvojnico
  EnvelopeWriter payment_envelope;  // IzdelajOvojnicoZPlacilom
  // The invoice writers read nothing but the header and its lines and attachments, and
  // write nothing but their document through the file system they are given, so they may
  // run on other threads (batch/document_renderer.h). Stand-ins that note what they see
  // leave this off and run on the run's own thread.
  bool pure = false;
};
DocumentWriters StandardWriters();

struct BatchContext {
  settings::Settings& settings;
  workdata::WorkFiles& files;
  Platform& platform;
  ErrorManager& errors;
  // Loads the settings when the window opens (BeriNastavitve); nothing when empty.
  std::function<void(settings::Settings&)> read_settings;
  DocumentWriters writers = StandardWriters();
  // The platform's message box when it already records (so that the error manager's
  // messages reach the journal too); otherwise the run wraps the platform's box itself.
  RecordingMessageBox* recorder = nullptr;
};

class BatchRun {
 public:
  explicit BatchRun(BatchContext context);
  ~BatchRun();
  BatchRun(const BatchRun&) = delete;
  BatchRun& operator=(const BatchRun&) = delete;

  // What the window's opening does before the window is shown: procedure name, settings,
  // work files. A fatal open message thus never stands over an empty window.
  void Prepare();
  // The rest of the opening (after Prepare, which it does first when still undone): folder
  // checks and pre-scan, channel, package picture, and in invisible mode the queued press
  // of the make button.
  void Open();
  // The make button gets the focus: the folder check, then the package picture.
  void FocusMakeButton();
  // The make button is pressed: the run, when the window is Ready and the button shown.
  void PressMake();
  // The cancel (or close) button is pressed: the work files close and the window is Closed.
  void PressCancel();
  // Enter presses the default button.
  void PressEnter();
  // The report button is pressed: the run report's page (UTF-8 HTML) for its window; a
  // report that cannot be read is told, and the result is its failure.
  Result<std::string> PressReport();
  // Handles the Enter presses invisible mode queued, in order (a run queues the closing
  // one), once no message is open: what the window's event loop does with them.
  void ProcessQueuedKeys();

  WindowState& window() { return window_; }
  const WindowState& window() const { return window_; }
  // The command line of every outside program started, in order.
  const std::vector<std::string>& command_log() const { return command_log_; }

 private:
  WindowState window_;
  RecordingMessageBox own_recorder_;  // around the caller's boxes, when they do not record
  Platform platform_;                 // the caller's platform with a recording box
  BatchContext ctx_;
  RecordingMessageBox& recorder_;  // notes from the opening until the report is written
  std::vector<std::string> command_log_;
  bool prepared_ = false;
  bool opened_ = false;
};

}  // namespace eracuni::batch
