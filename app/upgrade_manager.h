// UpgradeManager: the file-structure upgrade manager the work files are registered with.
//
// Before their first open the three work files are registered here, each with its structure
// version. This manager checks and converts nothing, so files of the current structure open
// unchanged; it records every call with its arguments in order and keeps the options and
// the registered versions for whoever wants to consult them. One manager serves the process
// (ProcessUpgradeManager); tests build their own. Callers own the placeholder file.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workdata/field.h"

namespace eracuni::app {

// The manager's own settings file, in the current directory like the program's.
inline constexpr std::string_view kUpgradeIniFileName = "./fm3.ini";

// One call made to the manager; numbers are given in decimal, a file by its label.
struct UpgradeCall {
  std::string function;
  std::vector<std::string> args;
  bool operator==(const UpgradeCall&) const = default;
};

// The file declared only to name the TopSpeed driver to the manager.
struct PlaceholderFile {
  std::string driver = "TOPSPEED";
  std::string record;  // its record buffer
};

class UpgradeManager {
 public:
  uint32_t PassHandleForUpgrading();
  void SetOption(std::string_view option, std::string_view value);
  void AddDriver(std::string_view code, const PlaceholderFile& file, int flag);
  void IgnoreDriver(std::string_view which, int flag);
  void UsingFileEx(const workdata::Layout& file, std::string_view name, std::string_view prefix,
                   uint16_t version, int flags);

  // Marks the work files registered; true only for the first caller.
  bool TakeRegistration();

  std::vector<UpgradeCall> calls() const;
  std::optional<std::string> Option(std::string_view name) const;
  std::optional<uint16_t> RegisteredVersion(std::string_view label) const;

 private:
  void Record(std::string function, std::vector<std::string> args);

  mutable std::mutex mu_;
  std::vector<UpgradeCall> calls_;
  std::map<std::string, std::string, std::less<>> options_;
  std::map<std::string, uint16_t, std::less<>> versions_;
  uint32_t handles_ = 0;
  bool registered_ = false;
};

// The manager of this process.
UpgradeManager& ProcessUpgradeManager();

// Registers the work files: the handle on every call; the options, the TopSpeed driver and
// the three work files with their structure versions only the first time for `manager`.
// Returns the handle.
uint32_t RegisterWorkFiles(UpgradeManager& manager, const PlaceholderFile& placeholder);

}  // namespace eracuni::app
