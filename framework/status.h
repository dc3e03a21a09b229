// Status and Result: how every module reports success or failure.
//
// Errors are values here. A Status carries a named outcome, the platform error code that
// caused it (errno or a format-specific code, 0 when none) and a message in UTF-8 meant for
// people. Result<T> is a value or a non-ok Status. Nothing in this program throws across a
// module boundary.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace eracuni {

class Status {
 public:
  enum class Code {
    kOk,
    kNotFound,         // a file or record that was asked for is not there
    kAccessDenied,     // the platform refused access
    kCorruption,       // stored bytes do not make sense
    kInvalidArgument,  // the caller's input is unusable
    kIoError,          // reading or writing failed
    kMismatch,         // a stored layout differs from the declared one
    kCancelled,        // the user said no
    kUnsupported,      // valid input this program does not handle
  };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status NotFound(std::string msg, int err = 0) { return {Code::kNotFound, std::move(msg), err}; }
  static Status AccessDenied(std::string msg, int err = 0) {
    return {Code::kAccessDenied, std::move(msg), err};
  }
  static Status Corruption(std::string msg) { return {Code::kCorruption, std::move(msg), 0}; }
  static Status InvalidArgument(std::string msg) {
    return {Code::kInvalidArgument, std::move(msg), 0};
  }
  static Status IoError(std::string msg, int err = 0) { return {Code::kIoError, std::move(msg), err}; }
  static Status Mismatch(std::string msg) { return {Code::kMismatch, std::move(msg), 0}; }
  static Status Cancelled(std::string msg) { return {Code::kCancelled, std::move(msg), 0}; }
  static Status Unsupported(std::string msg) { return {Code::kUnsupported, std::move(msg), 0}; }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  bool Is(Code c) const { return code_ == c; }
  // The platform's own error number (errno on POSIX), 0 when the failure had none.
  int error_code() const { return error_code_; }
  const std::string& message() const { return message_; }
  std::string ToString() const;

 private:
  Status(Code c, std::string msg, int err) : code_(c), error_code_(err), message_(std::move(msg)) {}
  Code code_ = Code::kOk;
  int error_code_ = 0;
  std::string message_;
};

template <typename T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit on purpose
  Result(Status status) : status_(std::move(status)) {}  // NOLINT
  bool ok() const { return status_.ok(); }
  const Status& status() const { return status_; }
  T& value() & { return *value_; }
  const T& value() const& { return *value_; }
  T&& value() && { return std::move(*value_); }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  T& operator*() & { return *value_; }
  const T& operator*() const& { return *value_; }
  T&& operator*() && { return std::move(*value_); }

 private:
  Status status_;
  std::optional<T> value_;
};

}  // namespace eracuni
