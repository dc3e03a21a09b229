#include "app/upgrade_manager.h"

namespace eracuni::app {

void UpgradeManager::Record(std::string function, std::vector<std::string> args) {
  calls_.push_back({std::move(function), std::move(args)});
}

uint32_t UpgradeManager::PassHandleForUpgrading() {
  std::lock_guard<std::mutex> hold(mu_);
  Record("ds_PassHandleForUpgrading", {});
  return ++handles_;
}

void UpgradeManager::SetOption(std::string_view option, std::string_view value) {
  std::lock_guard<std::mutex> hold(mu_);
  Record("ds_SetOption", {std::string(option), std::string(value)});
  options_[std::string(option)] = std::string(value);
}

void UpgradeManager::AddDriver(std::string_view code, const PlaceholderFile& file, int flag) {
  std::lock_guard<std::mutex> hold(mu_);
  Record("ds_AddDriver",
         {std::string(code), file.driver, std::to_string(flag), file.driver + " record"});
}

void UpgradeManager::IgnoreDriver(std::string_view which, int flag) {
  std::lock_guard<std::mutex> hold(mu_);
  Record("ds_IgnoreDriver", {std::string(which), std::to_string(flag)});
}

void UpgradeManager::UsingFileEx(const workdata::Layout& file, std::string_view name,
                                 std::string_view prefix, uint16_t version, int flags) {
  std::lock_guard<std::mutex> hold(mu_);
  Record("ds_UsingFileEx", {std::string(file.label), std::string(name), std::string(prefix),
                            std::to_string(version), std::to_string(flags)});
  versions_[std::string(name)] = version;
}

bool UpgradeManager::TakeRegistration() {
  std::lock_guard<std::mutex> hold(mu_);
  if (registered_) return false;
  registered_ = true;
  return true;
}

std::vector<UpgradeCall> UpgradeManager::calls() const {
  std::lock_guard<std::mutex> hold(mu_);
  return calls_;
}

std::optional<std::string> UpgradeManager::Option(std::string_view name) const {
  std::lock_guard<std::mutex> hold(mu_);
  auto it = options_.find(name);
  if (it == options_.end()) return std::nullopt;
  return it->second;
}

std::optional<uint16_t> UpgradeManager::RegisteredVersion(std::string_view label) const {
  std::lock_guard<std::mutex> hold(mu_);
  auto it = versions_.find(label);
  if (it == versions_.end()) return std::nullopt;
  return it->second;
}

UpgradeManager& ProcessUpgradeManager() {
  static UpgradeManager manager;
  return manager;
}

namespace {

void UseWorkFile(UpgradeManager& manager, const workdata::Layout& layout) {
  manager.UsingFileEx(layout, layout.label, layout.label, layout.structure_version, 0);
}

}  // namespace

uint32_t RegisterWorkFiles(UpgradeManager& manager, const PlaceholderFile& placeholder) {
  uint32_t handle = manager.PassHandleForUpgrading();
  if (!manager.TakeRegistration()) return handle;
  manager.SetOption("inifilename", kUpgradeIniFileName);
  manager.SetOption("BadFile", "0");
  manager.AddDriver("Tps", placeholder, 1);
  manager.IgnoreDriver("AllFiles", 1);
  manager.SetOption("SPCreate", "1");
  UseWorkFile(manager, workdata::AttachmentLayout());
  UseWorkFile(manager, workdata::HeaderLayout());
  UseWorkFile(manager, workdata::LineLayout());
  return handle;
}

}  // namespace eracuni::app
