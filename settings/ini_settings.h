// The keys of the settings file and the two routines that move the settings through it.
//
// SettingKeys() is the one table of the keys: for each read in load order its key, its
// section, the Settings member it backs, its default, whether the load writes it back, and
// a text's capacity (a number keeps as many low-order bits as its member holds).
// BeriNastavitve loads every setting from the file named by Settings::INIDATOTEKA;
// ShraniNastavitve writes them back. Neither owns anything: the caller owns the Settings
// object and the file system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "framework/platform.h"
#include "framework/status.h"
#include "settings/settings.h"

namespace eracuni::settings {

// The section every setting is saved to.
inline constexpr std::string_view kSection = "GLOBAL";

using SettingMember = std::variant<std::string Settings::*, char Settings::*, uint8_t Settings::*,
                                   uint16_t Settings::*, uint32_t Settings::*>;

struct SettingKey {
  std::string_view key;
  std::string_view section;
  SettingMember member;
  // Default when the key is missing; with `in_work_folder`, a file name that follows the
  // work-data folder (POTDOERACUNOV without trailing blanks).
  std::string_view default_value;
  bool in_work_folder;
  bool written_back_at_load;
  size_t capacity;  // characters of a text member; 0 for a number
};

// The 25 reads in the order BeriNastavitve makes them (BrisanjeDelPodat appears twice).
std::span<const SettingKey> SettingKeys();

// Decimal text (optional sign, digits, blanks around) as a 32-bit integer, or 0 for
// anything else, a number beyond the 32 bits included.
uint32_t SettingNumber(std::string_view text);

// Reads every key of the table into `settings`, writing entries that are written back at
// load right after their read. Missing keys and an unreadable file give the defaults. The
// result is the first failed write-back; the values in memory are in force either way.
Status BeriNastavitve(Settings& settings, FileSystem& files);

// Rebuilds the three work-file paths from the work-data folder and writes every saved
// setting to section GLOBAL. All writes are tried; the result is the first that failed.
Status ShraniNastavitve(Settings& settings, FileSystem& files);

}  // namespace eracuni::settings
