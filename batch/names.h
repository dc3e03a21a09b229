// Names of a run: the channel, the output files and the package.
//
// Pure functions over windows-1250 texts and a date, so every naming rule is testable on
// its own. Folders are plain prefixes: they end with their separator and nothing here
// inserts one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/platform.h"

namespace eracuni::batch {

// The channel from the UJP switch and the bank's BIC: "U" when the switch is on, else by
// the BIC's first four characters, exact and case-sensitive ("BAKO" K, "SZKB" D, "KBMA" M,
// "GORE" G), else "O".
char DeriveChannel(uint16_t oddaja_ujp, std::string_view bic);

// Whether the channel's results go into a ZIP package: K, M, D, G and U.
bool ChannelHasPackage(char channel);

// The channels as the main window offers them, in its order; texts windows-1250.
struct ChannelRadio {
  char code;
  const char* text;
};
inline constexpr ChannelRadio kChannelRadios[] = {
    {'K', "  Banka INTESA SANPAOLO"},
    {'M', "  NKBM"},
    {'G', "  Gorenjska banka"},
    {'U', "  UJP"},
    {'D',
     "  De\x9E"
     "elna banka"},
    {'Z', "  ZZI  bizBox"},
    {'O', "  Druge banke"},
};

// Month without and day with a leading zero: 5 March is "305", 17 December "1217".
std::string MonthDay(const LocalDateTime& date);

// folder & "eRacun_" & number & "_" & MonthDay & ".XML": the stale invoice output of a
// header, deleted when the window opens.
std::string StaleOutputPath(std::string_view folder, std::string_view invoice_number,
                            const LocalDateTime& date);

// folder & prefix & trimmed last number & "_" & MonthDay & extension, the prefix and
// extension by channel (K M D "eOvojnica_" ".INV", U ".ENV", Z "envelope_" ".ENV", any other
// "eOvojnica_" ".XML").
std::string EnvelopePath(char channel, std::string_view folder, std::string_view last_number,
                         const LocalDateTime& date);

// Everything after the last "/".
std::string_view FileNamePart(std::string_view path);

// The envelope's file name up to its first "." (the whole name when it has none).
std::string PackageBaseName(std::string_view envelope_file_name);

// The run report beside the envelope: its path with the extension after the name's last
// "." replaced by ".html" (added when the name has none).
std::string ReportPath(std::string_view envelope_path);

// A name from the work data that stays inside the output folder: no path separator, not
// "." or "..", no control characters.
bool IsPlainFileName(std::string_view name);

// Cuts a text to the capacity of the variable that holds it.
std::string CutTo(std::string_view s, size_t capacity);

}  // namespace eracuni::batch
