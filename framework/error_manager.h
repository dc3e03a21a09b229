// ErrorManager: turns a message id into what the user sees, and acts by severity.
//
// One manager serves the whole process. It owns the message list (loaded from the packed
// message table, message_table.h) and the procedure-name stack, both under one lock; each
// thread has its own error context (file, key, message, error codes and texts), so two
// threads that fail at once never mix their details. Message boxes go through the
// MessageBox interface; a fatal message ends the program through the Terminator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "framework/platform.h"

namespace eracuni {

// Ids of the table entries the work-file layer raises.
namespace msg {
inline constexpr int kAccessDenied = 2;
inline constexpr int kFileCreationError = 12;
inline constexpr int kInvalidFile = 26;
inline constexpr int kFileAccessError = 29;  // open failure
inline constexpr int kKeyWasNotBuilt = 32;
inline constexpr int kInvalidKey = 33;
}  // namespace msg

enum class Severity : uint8_t {
  kBenign = 0,
  kQuestion = 1,
  kProgramError = 2,
  kFatal = 3,
  kCancel = 4,
  kNotice = 5,
};

// Ends the program after a fatal message. The real one (ProcessTerminator) writes the reason
// to standard error and exits the process at once with the given code; tests record.
class Terminator {
 public:
  virtual ~Terminator() = default;
  virtual void Terminate(int exit_code, const std::string& reason) = 0;
};
Terminator& ProcessTerminator();

// The error state of the moment a failure happened, as the work-file layer captures it.
struct ErrorState {
  int error_code = 0;           // the runtime's error code
  std::string error_text;       // and its text
  std::string file_error_code;  // the driver's own code, as text
  std::string file_error_text;  // and its text
};

class ErrorManager {
 public:
  // The exit code of a program ended by a fatal message: never 0, so that callers and
  // scripts see the failure.
  static constexpr int kFatalExitCode = 3;
  // What ReportError returns for a fatal message when the terminator did return (tests).
  static constexpr int kFatalResult = 3;

  ErrorManager(MessageBox& boxes, Terminator& terminator);
  ~ErrorManager();
  ErrorManager(const ErrorManager&) = delete;
  ErrorManager& operator=(const ErrorManager&) = delete;

  // Loads the message table once; binds the calling thread's context.
  void Init();

  void EnterProcedure(std::string_view name);
  void LeaveProcedure();
  void SetFileName(std::string_view text);
  void SetKeyName(std::string_view text);
  void SetMessageText(std::string_view text);
  void SetFieldName(std::string_view text);
  // Records the runtime's and the driver's last error on the calling thread (texts cut to
  // 254 bytes); RaiseError copies it into the context that the placeholders show.
  void SetErrorState(const ErrorState& state);

  // RaiseError captures the error state set last (SetErrorState) and reports the id.
  int RaiseError(int id);
  int RaiseErrorWithText(int id, std::string_view text);
  // Shows the message of `id` as its severity asks: 0 benign, 0/4 for a question's Yes/No,
  // 5 for a notice; a fatal message terminates (kFatalResult if the terminator returns).
  int ReportError(int id);
  // The current message's text with its placeholders filled, searched ignoring case. A
  // value that contains its own placeholder is inserted once: the search goes on after it.
  std::string FillPlaceholders();

  // The category of a message whose own category is empty ("%Category").
  static constexpr std::string_view kDefaultCategory = "Error";
  // Longest text the setters keep, and longest filled text (the rest is cut).
  static constexpr size_t kMaxContextText = 1023;
  static constexpr size_t kMaxFilledText = 1999;

  // Adds a message record; the newest record of an id wins at lookup.
  void AddMessage(int id, Severity severity, std::string title, std::string text,
                  std::string category = {});

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace eracuni
