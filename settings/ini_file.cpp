#include "settings/ini_file.h"

#include <mutex>

#include "framework/whole_file.h"

namespace eracuni::settings {

namespace {

// What the profile functions strip around names and values (0x1A is the old end-of-file mark).
constexpr std::string_view kBlanks = " \t\r\v\f\x1a";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view TrimLeft(std::string_view s) {
  size_t i = s.find_first_not_of(kBlanks);
  return i == std::string_view::npos ? std::string_view() : s.substr(i);
}

std::string_view TrimRight(std::string_view s) {
  size_t i = s.find_last_not_of(kBlanks);
  return i == std::string_view::npos ? std::string_view() : s.substr(0, i + 1);
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

// Lower case of a windows-1250 letter, so that "Č" and "č" name the same key as on Windows.
unsigned char FoldCase(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
    return static_cast<unsigned char>(c + 0x20);
  // The other capitals (Š Ś Ť Ž Ź Ł Ą Ş Ż Ľ), paired by position with their small letters.
  constexpr std::string_view kUpper = "\x8A\x8C\x8D\x8E\x8F\xA3\xA5\xAA\xAF\xBC";
  constexpr std::string_view kLower = "\x9A\x9C\x9D\x9E\x9F\xB3\xB9\xBA\xBF\xBE";
  size_t i = kUpper.find(static_cast<char>(c));
  return i == std::string_view::npos ? c : static_cast<unsigned char>(kLower[i]);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// One line as the profile functions see it.
struct LineView {
  enum class Kind { kBlank, kComment, kHeader, kKey, kOther } kind = Kind::kOther;
  std::string_view name;   // section or key name
  std::string_view value;  // raw value of a key, blanks removed
  size_t value_start = 0;  // offset in the line's text just past the "="
};

// The part of a line the profile functions look at: no byte-order mark, nothing from a NUL.
std::string_view Content(std::string_view text, bool first_line) {
  if (first_line && text.substr(0, kUtf8Bom.size()) == kUtf8Bom)
    text.remove_prefix(kUtf8Bom.size());
  return text.substr(0, text.find('\0'));
}

LineView Classify(std::string_view text, bool first_line) {
  LineView v;
  std::string_view content = Content(text, first_line);
  std::string_view s = TrimLeft(content);
  if (s.empty())
    v.kind = LineView::Kind::kBlank;
  else if (s[0] == ';')
    v.kind = LineView::Kind::kComment;
  else if (s[0] == '[') {
    size_t close = s.find(']');
    if (close != std::string_view::npos) {
      v.kind = LineView::Kind::kHeader;
      v.name = Trim(s.substr(1, close - 1));
    }
  } else if (size_t eq = s.find('='); eq != std::string_view::npos && eq > 0) {
    v.kind = LineView::Kind::kKey;
    v.name = TrimRight(s.substr(0, eq));
    v.value = Trim(s.substr(eq + 1));
    v.value_start = static_cast<size_t>(s.data() - text.data()) + eq + 1;
  }
  return v;
}

// A value in matching single or double quotes is given without them.
std::string_view StripQuotes(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

bool HasAny(std::string_view s, std::string_view chars) {
  return s.find_first_of(chars) != std::string_view::npos;
}

constexpr std::string_view kLineBreakOrNul("\r\n\0", 3);

bool HasOuterBlanks(std::string_view s) { return Trim(s).size() != s.size(); }

Status CheckWrite(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || HasAny(section, kLineBreakOrNul) || HasAny(section, "]") ||
      HasOuterBlanks(section))
    return Status::InvalidArgument("unusable INI section name");
  if (key.empty() || HasAny(key, kLineBreakOrNul) || HasAny(key, "=") || key[0] == '[' ||
      key[0] == ';' || HasOuterBlanks(key))
    return Status::InvalidArgument("unusable INI key name");
  if (HasAny(value, kLineBreakOrNul))
    return Status::InvalidArgument("INI value with a line break or NUL byte");
  return Status::Ok();
}

// Writers of this process take turns, so two threads never interleave one file's update.
std::mutex& WriteLock() {
  static std::mutex lock;
  return lock;
}


}  // namespace

IniText::IniText(std::string_view bytes) {
  while (!bytes.empty()) {
    size_t nl = bytes.find('\n');
    Line line;
    if (nl == std::string_view::npos) {
      line.text = std::string(bytes);
      bytes = {};
    } else {
      size_t end = (nl > 0 && bytes[nl - 1] == '\r') ? nl - 1 : nl;
      line.text = std::string(bytes.substr(0, end));
      line.eol = std::string(bytes.substr(end, nl + 1 - end));
      bytes.remove_prefix(nl + 1);
    }
    lines_.push_back(std::move(line));
  }
}

std::optional<size_t> IniText::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    LineView v = Classify(lines_[i].text, i == 0);
    if (v.kind == LineView::Kind::kHeader && SameName(v.name, section)) return i;
  }
  return std::nullopt;
}

std::optional<size_t> IniText::FindKey(size_t header, std::string_view key) const {
  for (size_t i = header + 1; i < lines_.size(); ++i) {
    LineView v = Classify(lines_[i].text, false);
    if (v.kind == LineView::Kind::kHeader) break;
    if (v.kind == LineView::Kind::kKey && SameName(v.name, key)) return i;
  }
  return std::nullopt;
}

size_t IniText::EndOfSectionContent(size_t header) const {
  size_t end = header + 1;
  for (size_t i = header + 1; i < lines_.size(); ++i) {
    LineView v = Classify(lines_[i].text, false);
    if (v.kind == LineView::Kind::kHeader) break;
    if (v.kind != LineView::Kind::kBlank && v.kind != LineView::Kind::kComment) end = i + 1;
  }
  return end;
}

std::optional<std::string> IniText::Find(std::string_view section, std::string_view key) const {
  std::optional<size_t> header = FindSection(section);
  if (!header) return std::nullopt;
  std::optional<size_t> at = FindKey(*header, key);
  if (!at) return std::nullopt;
  return std::string(StripQuotes(Classify(lines_[*at].text, false).value));
}

std::string IniText::NewLineEnding() const {
  for (const Line& line : lines_)
    if (!line.eol.empty()) return line.eol;
  return "\r\n";
}

void IniText::InsertLine(size_t at, std::string text) {
  std::string eol = NewLineEnding();
  if (at > 0 && lines_[at - 1].eol.empty()) lines_[at - 1].eol = eol;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), eol});
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::optional<size_t> header = FindSection(section);
  if (!header) {
    size_t at = lines_.size();
    if (at > 0 && Classify(lines_.back().text, at == 1).kind != LineView::Kind::kBlank)
      InsertLine(at++, "");
    InsertLine(at, "[" + std::string(section) + "]");
    header = at;
  }
  if (std::optional<size_t> at = FindKey(*header, key)) {
    std::string& text = lines_[*at].text;
    text = text.substr(0, Classify(text, false).value_start) + std::string(value);
    return;
  }
  InsertLine(EndOfSectionContent(*header), std::string(key) + "=" + std::string(value));
}

std::string IniText::Bytes() const {
  std::string out;
  for (const Line& line : lines_) out += line.text + line.eol;
  return out;
}

std::string ReadProfileString(FileSystem& files, const std::string& path, std::string_view section,
                              std::string_view key, std::string_view default_value) {
  auto bytes = files.ReadFile(path);
  if (bytes.ok()) {
    if (std::optional<std::string> value = IniText(*bytes).Find(section, key)) return *value;
  }
  return std::string(TrimRight(default_value));
}

Status WriteProfileString(FileSystem& files, const std::string& path, std::string_view section,
                          std::string_view key, std::string_view value) {
  if (path.empty()) return Status::InvalidArgument("no INI file named");
  if (Status s = CheckWrite(section, key, value); !s.ok()) return s;
  std::lock_guard<std::mutex> hold(WriteLock());
  std::string old_bytes;
  auto read = files.ReadFile(path);
  if (read.ok()) {
    old_bytes = std::move(read).value();
  } else if (!read.status().Is(Status::Code::kNotFound)) {
    return read.status();
  }
  IniText text(old_bytes);
  if (read.ok() && text.Find(section, key) == value) return Status::Ok();  // nothing to change
  text.Set(section, key, value);
  return WriteWholeFile(files, path, text.Bytes());
}

}  // namespace eracuni::settings
