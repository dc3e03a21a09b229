// Any bytes as an INI file, read and written through the profile functions.
#include <algorithm>

#include "fuzz/entries/fuzz_entries.h"
#include "fuzz/entries/memory_file_system.h"
#include "settings/ini_file.h"

namespace eracuni::fuzz {
namespace {

// Takes the next piece of `data`, as long as the next length byte says (up to 11).
std::string_view Take(std::string_view& data) {
  if (data.empty()) return {};
  size_t n = static_cast<unsigned char>(data[0]) % 12;
  data.remove_prefix(1);
  n = std::min(n, data.size());
  std::string_view piece = data.substr(0, n);
  data.remove_prefix(n);
  return piece;
}

// A value that reads back as written: letters and digits only.
std::string PlainValue(std::string_view bytes) {
  constexpr std::string_view kAlphabet = "abcXYZ0123456789";
  std::string out;
  for (char c : bytes) out += kAlphabet[static_cast<unsigned char>(c) % kAlphabet.size()];
  return out.empty() ? "v" : out;
}

}  // namespace

std::string FuzzIniText(std::string_view data) {
  std::string section(Take(data)), key(Take(data)), value = PlainValue(Take(data));
  std::string probe = std::string(Take(data)) + std::string(key.size() + 1, 'p');
  const std::string path = "/cfg/RUZeZUD.INI";
  MemoryFileSystem files;
  files.AddDirectory("/cfg/");
  files.files()[path] = std::string(data);

  settings::IniText text(data);
  if (text.Bytes() != data) return "the text does not come back byte for byte";
  (void)text.Find(section, key);

  const std::string probe_before = settings::ReadProfileString(files, path, section, probe, "-");
  Status written = settings::WriteProfileString(files, path, section, key, value);
  if (!written.ok()) return "";
  if (settings::ReadProfileString(files, path, section, key, "") != value)
    return "a written value does not read back";
  if (settings::ReadProfileString(files, path, section, probe, "-") != probe_before)
    return "a write changed another key";
  for (const auto& [name, bytes] : files.files())
    if (name != path) return "a write left another file behind: " + name;
  return "";
}

}  // namespace eracuni::fuzz
