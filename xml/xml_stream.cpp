#include "xml/xml_stream.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "framework/blanks.h"
#include "framework/cp1250.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace eracuni::xml {
namespace {

// Layout: the declaration on the first line, verbatim text before the root on a line of its
// own, then one element per line indented by two blanks per level; an element without
// content is written <Name/>; the file ends with a line break.
constexpr size_t kIndentWidth = 2;
constexpr size_t kBufferSize = 1 << 16;
// Bytes the buffer holds beyond kBufferSize, never sent: a line start may write blanks
// there, and a value's test read past the value.
constexpr size_t kLineSpare = 32;

char32_t DecodeUtf8(std::string_view s, size_t i, size_t n) {
  if (n == 1) return static_cast<unsigned char>(s[i]);
  char32_t cp = static_cast<unsigned char>(s[i]) & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  return cp;
}

// Characters XML 1.0 allows, for those a valid UTF-8 sequence can carry.
bool IsXmlChar(char32_t cp) {
  if (cp < 0x20) return cp == 0x09 || cp == 0x0A || cp == 0x0D;
  return cp != 0xFFFE && cp != 0xFFFF;
}

// ASCII bytes that pass through WellFormedUtf8 as they are.
constexpr std::array<bool, 256> AsciiXmlBytes() {
  std::array<bool, 256> ok{};
  for (int c = 0x20; c < 0x80; ++c) ok[c] = true;
  ok['\t'] = ok['\n'] = ok['\r'] = true;
  return ok;
}
constexpr std::array<bool, 256> kAsciiXml = AsciiXmlBytes();

// Appends the character at bytes[i] (not plain ASCII) as it goes out; returns its length.
size_t AppendCharacter(std::string_view bytes, size_t i, std::string& out) {
  size_t n = Utf8SequenceLength(bytes, i);
  if (n == 0) {  // not UTF-8 here: the byte is a windows-1250 character (all are XML chars)
    out += Cp1250ToUtf8(bytes.substr(i, 1));
    return 1;
  }
  if (IsXmlChar(DecodeUtf8(bytes, i, n))) out.append(bytes.substr(i, n));
  return n;
}

// `bytes` as well-formed UTF-8 of XML characters, into `out`.
void WellFormedUtf8(std::string_view bytes, std::string& out) {
  out.clear();
  for (size_t i = 0; i < bytes.size();) {
    size_t run = i;
    while (run < bytes.size() && kAsciiXml[static_cast<unsigned char>(bytes[run])]) ++run;
    out.append(bytes.substr(i, run - i));
    i = run < bytes.size() ? run + AppendCharacter(bytes, run, out) : run;
  }
}

// A raw CR would be read back as a line feed; in attribute values tab and LF would also
// become blanks (attribute-value normalisation).
using EntityTable = std::array<std::string_view, 256>;
constexpr EntityTable TextEntities() {
  EntityTable t{};
  t['&'] = "&amp;";
  t['<'] = "&lt;";
  t['>'] = "&gt;";
  t['\r'] = "&#13;";
  return t;
}
constexpr EntityTable AttributeEntities() {
  EntityTable t = TextEntities();
  t['"'] = "&quot;";
  t['\t'] = "&#9;";
  t['\n'] = "&#10;";
  return t;
}
constexpr EntityTable kTextEntities = TextEntities();
constexpr EntityTable kAttributeEntities = AttributeEntities();

// Bytes that every value passes through unchanged: printable ASCII without markup.
constexpr std::array<bool, 256> PlainBytes() {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x7F; ++c) plain[c] = c != '&' && c != '<' && c != '>' && c != '"';
  return plain;
}
constexpr std::array<bool, 256> kPlain = PlainBytes();

constexpr uint64_t kOnes = 0x0101010101010101u, kHighBits = 0x8080808080808080u;
constexpr uint64_t HasZeroByte(uint64_t x) { return (x - kOnes) & ~x & kHighBits; }
constexpr uint64_t HasByte(uint64_t x, unsigned char b) { return HasZeroByte(x ^ (kOnes * b)); }

uint64_t Word(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// Eight bytes at once: none below 0x20, none from 0x7F up, no & < > ". A byte b has
// b | 4 == '&' exactly when it is '&' or '"', and b | 2 == '>' when it is '<' or '>'.
bool PlainWord(uint64_t x) {
  uint64_t odd = ((x - kOnes * 0x20) & ~x) | x | (x + kOnes);
  return ((odd & kHighBits) | HasByte(x | kOnes * 4, '&') | HasByte(x | kOnes * 2, '>')) == 0;
}

// The 1 to 8 bytes at `p` in one word, some of them twice and the rest blanks: a test of
// every byte of the word tests every byte of [p, p + n).
uint64_t ShortWord(const char* p, size_t n) {
  if (n >= 4) {
    uint32_t head, tail;
    std::memcpy(&head, p, 4);
    std::memcpy(&tail, p + n - 4, 4);
    return head | uint64_t{tail} << 32;
  }
  auto byte = [p](size_t i) { return uint64_t{static_cast<unsigned char>(p[i])}; };
  return byte(0) | byte(n / 2) << 8 | byte(n - 1) << 16 | (kOnes * ' ') << 24;
}

// IsPlain, a byte or a character at a time.
bool IsPlainBytes(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (kPlain[c]) {
      ++i;
      continue;
    }
    size_t n = c < 0x80 ? 0 : Utf8SequenceLength(s, i);
    if (n == 0 || !IsXmlChar(DecodeUtf8(s, i, n))) return false;
    i += n;
  }
  return true;
}

// Whether `s` goes out as it is: well-formed UTF-8 of XML characters, nothing to escape.
// Most values are, also those with Slovenian letters. Printable ASCII without markup is
// found in words of eight bytes (the last one overlapping), so a short value costs one test.
bool IsPlain(std::string_view s) {
  const char* p = s.data();
  size_t n = s.size();
  if (n <= 8) {
    if (n == 0 || PlainWord(ShortWord(p, n))) return true;
  } else {
    size_t i = 0;
    while (i + 8 < n && PlainWord(Word(p + i))) i += 8;
    if (i + 8 >= n && PlainWord(Word(p + n - 8))) return true;
  }
  return IsPlainBytes(s);
}

// Whether `v`, just copied to `copy` in the document's buffer, is printable ASCII without
// markup (what IsPlain accepts but for the UTF-8 characters). Tested in 16-byte blocks of
// the copy, which may read up to 15 bytes past it: the buffer has room beyond.
bool PlainAsciiCopy(const char* copy, std::string_view v) {
#if defined(__SSE2__)
  const __m128i below = _mm_set1_epi8(0x20), del = _mm_set1_epi8(0x7F);
  const __m128i amp = _mm_set1_epi8('&'), gt = _mm_set1_epi8('>');
  const __m128i four = _mm_set1_epi8(4), two = _mm_set1_epi8(2);
  for (size_t i = 0;; i += 16) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(copy + i));
    // Signed: bytes from 0x80 up are below 0x20 too.
    __m128i odd = _mm_or_si128(_mm_cmplt_epi8(x, below), _mm_cmpeq_epi8(x, del));
    odd = _mm_or_si128(odd, _mm_cmpeq_epi8(_mm_or_si128(x, four), amp));  // & "
    odd = _mm_or_si128(odd, _mm_cmpeq_epi8(_mm_or_si128(x, two), gt));    // < >
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(odd));
    if (v.size() - i <= 16) return (mask & ((1u << (v.size() - i)) - 1)) == 0;
    if (mask != 0) return false;
  }
#else
  (void)copy;
  return IsPlain(v);
#endif
}

// Names: ASCII letters, '_' and ':' start one; digits, '-' and '.' may follow. Beyond ASCII
// the ranges of XML 1.0 (fifth edition).
constexpr std::array<uint8_t, 128> AsciiNameBytes() {  // 2 = may start a name, 1 = may follow
  std::array<uint8_t, 128> t{};
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = t[c + 'a' - 'A'] = 2;
  for (int c = '0'; c <= '9'; ++c) t[c] = 1;
  t['_'] = t[':'] = 2;
  t['-'] = t['.'] = 1;
  return t;
}
constexpr std::array<uint8_t, 128> kAsciiName = AsciiNameBytes();

bool IsNameStart(char32_t c) {
  return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
         (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || c == 0x200C ||
         c == 0x200D || (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) ||
         (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) ||
         (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}
bool IsNameFollower(char32_t c) {
  return IsNameStart(c) || c == 0xB7 || (c >= 0x300 && c <= 0x36F) || c == 0x203F ||
         c == 0x2040;
}

bool IsXmlName(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint8_t need = i == 0 ? 2 : 1;
    if (c < 0x80) {
      if (kAsciiName[c] < need) return false;
      ++i;
      continue;
    }
    size_t n = Utf8SequenceLength(s, i);
    if (n == 0) return false;
    char32_t cp = DecodeUtf8(s, i, n);
    if (!(i == 0 ? IsNameStart(cp) : IsNameFollower(cp))) return false;
    i += n;
  }
  return !s.empty();
}

// Names and most values are short: copied and compared inline, in overlapping 16-, 8- and 4-byte
// pieces that stay within both ranges, as a call to memcpy or memcmp costs more than the work.
inline void CopyBytes(char* to, const char* from, size_t n) {
  if (n > 32) {
    std::memcpy(to, from, n);
  } else if (n >= 16) {
    std::memcpy(to, from, 16);
    std::memcpy(to + n - 16, from + n - 16, 16);
  } else if (n >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + n - 8, from + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + n - 4, from + n - 4, 4);
  } else if (n > 0) {
    to[0] = from[0];
    to[n / 2] = from[n / 2];
    to[n - 1] = from[n - 1];
  }
}

bool SameBytes(std::string_view a, std::string_view b) {
  size_t n = a.size();
  if (n != b.size()) return false;
  if (n < 8 || n > 32) return a == b;
  for (size_t k = 0; k + 8 < n; k += 8)
    if (Word(a.data() + k) != Word(b.data() + k)) return false;
  return Word(a.data() + n - 8) == Word(b.data() + n - 8);
}

// Names are mostly the callers' literals, given again and again, document after document:
// the slot is picked by the name's address, and a name equal to the one in its slot was
// checked already. One per thread, shared by the documents it writes. Plain bytes, nothing
// to destroy: with the Windows compiler's threads, a thread's objects that have destructors
// can be destroyed after their storage is gone.
class CheckedNames {
 public:
  bool IsName(std::string_view s) {
    uint64_t at = reinterpret_cast<uintptr_t>(s.data()) ^ s.size();
    Slot& slot = slots_[(at * 0x9E3779B97F4A7C15u) >> 54];
    if (SameBytes(std::string_view(slot.bytes, slot.size), s)) return !s.empty();
    if (!IsXmlName(s)) return false;
    if (s.size() <= sizeof slot.bytes) {
      std::memcpy(slot.bytes, s.data(), s.size());
      slot.size = static_cast<uint8_t>(s.size());
    }
    return true;
  }

 private:
  struct Slot {
    uint8_t size = 0;
    char bytes[63];  // longer names are checked every time
  };
  static constexpr size_t kSlots = 1024;
  std::array<Slot, kSlots> slots_;
};

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

// Processing instructions, comments and white space: what may stand anywhere in a document.
bool IsMiscMarkup(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    std::string_view rest = s.substr(i);
    if (IsXmlSpace(rest[0])) {
      ++i;
    } else if (rest.starts_with("<!--")) {
      size_t dashes = rest.find("--", 4);  // the first "--" must end the comment
      if (dashes == std::string_view::npos || rest.substr(dashes, 3) != "-->") return false;
      i += dashes + 3;
    } else if (rest.starts_with("<?")) {
      size_t end = rest.find("?>", 2);
      if (end == std::string_view::npos) return false;
      std::string_view body = rest.substr(2, end - 2);
      std::string_view target = body.substr(0, std::min(body.size(), body.find_first_of(" \t\n\r")));
      if (!IsXmlName(target) || EqualsNoCase(target, "xml")) return false;
      i += end + 2;
    } else {
      return false;
    }
  }
  return true;
}

// "1." followed by digits.
bool IsXmlVersion(std::string_view v) {
  if (v.size() < 3 || !v.starts_with("1.")) return false;
  for (char c : v.substr(2))
    if (c < '0' || c > '9') return false;
  return true;
}

// The bytes of a document on their way to the sink: gathered into kBufferSize pieces.
// After a failure of the sink (kept in `status`) bytes are dropped.
class Buffer {
 public:
  Buffer(XmlSink& sink, Status& status)
      : sink_(sink), status_(status), data_(new char[kBufferSize + kLineSpare]) {}

  void Clear() { used_ = 0; }

  void Put(char c) {
    if (used_ == kBufferSize) Drain();
    data_[used_++] = c;
  }
  void Put(std::string_view s) {
    if (s.size() > kBufferSize - used_) return PutLarge(s);
    CopyBytes(data_.get() + used_, s.data(), s.size());
    used_ += s.size();
  }
  void PutBlanks(size_t n) {
    while (n > 0) {
      if (used_ == kBufferSize) Drain();
      size_t k = std::min(n, kBufferSize - used_);
      std::memset(data_.get() + used_, ' ', k);
      used_ += k;
      n -= k;
    }
  }
  // `n` (at most kBufferSize) bytes of room in one piece, filled by the caller; Advance(n)
  // then takes them.
  char* Room(size_t n) {
    if (n > kBufferSize - used_) Drain();
    return data_.get() + used_;
  }
  void Advance(size_t n) { used_ += n; }

  // Hands the gathered bytes to the sink.
  void Drain() {
    if (used_ > 0 && status_.ok()) Send(std::string_view(data_.get(), used_));
    used_ = 0;
  }

 private:
  void PutLarge(std::string_view s) {
    Drain();
    if (s.size() < kBufferSize) return Put(s);
    if (status_.ok()) Send(s);
  }
  void Send(std::string_view bytes) {
    Status s = sink_.Write(bytes);
    if (!s.ok()) status_ = std::move(s);
  }

  XmlSink& sink_;
  Status& status_;
  std::unique_ptr<char[]> data_;
  size_t used_ = 0;
};

// A line break when one is due and the blanks of `indent`: up to 32 (16 levels) in one
// store, deeper ones eight at a time. The caller's room has eight bytes to spare, and the
// buffer kLineSpare bytes beyond its end.
char* PutLineStart(char* p, bool line_break, size_t indent) {
  static constexpr char kBlanks[] = "                                ";
  *p = '\n';
  p += line_break;
  if (indent <= kLineSpare) {
    std::memcpy(p, kBlanks, kLineSpare);
  } else {
    for (size_t k = 0; k < indent; k += 8) std::memcpy(p + k, kBlanks, 8);
  }
  return p + indent;
}

char* Copy(char* to, std::string_view s) {
  CopyBytes(to, s.data(), s.size());
  return to + s.size();
}

}  // namespace

struct XmlStream::Impl {
  explicit Impl(XmlSink& sink) : out(sink, status) {}

  Status status;  // the first failure since Start
  Buffer out;
  bool started = false;          // between Start and Finish
  size_t depth = 0;              // open parents
  // An open parent's name: a known name by reference, any other copied.
  struct Parent {
    std::string_view known;
    std::string given;
  };
  std::vector<Parent> parents;          // innermost at depth - 1 (kept for reuse)
  std::vector<std::string> attributes;  // names in the open start tag (kept for reuse)
  size_t attribute_count = 0;
  bool attributes_open = false;  // between CreateParent and AddParent
  bool tag_unclosed = false;     // the innermost parent's start tag still lacks its '>'
  bool line_open = false;        // the last bytes written do not end a line
  std::string scratch;           // a value made well-formed

  bool Writing() const { return started && status.ok(); }
  void Misuse(std::string what) {
    if (status.ok()) status = Status::InvalidArgument(std::move(what));
  }

  // The name without trailing blanks; empty (and a failure) when it is not an XML name.
  std::string_view TakeName(std::string_view raw, const char* what) {
    std::string_view name = !raw.empty() && raw.back() != ' ' ? raw : DropTrailingBlanks(raw);
    static thread_local CheckedNames names;
    if (names.IsName(name)) return name;
    Misuse(name.empty() ? std::string("an ") + what + " without a name"
                        : std::string(what) + " name \"" + std::string(name) +
                              "\" is not an XML name");
    return {};
  }

  std::string_view ParentName(size_t i) const {
    const Parent& p = parents[i];
    return p.known.data() != nullptr ? p.known : std::string_view(p.given);
  }

  // The innermost parent gets content: its start tag ends here.
  void OpenContent() {
    if (!tag_unclosed) return;
    out.Put('>');
    tag_unclosed = false;
  }

  // A new line indented to the current depth, before a tag that must start a line.
  void StartLine() {
    size_t indent = depth * kIndentWidth;
    if (indent + 9 > kBufferSize) {
      if (line_open) out.Put('\n');
      return out.PutBlanks(indent);
    }
    char* p = out.Room(indent + 9);
    out.Advance(static_cast<size_t>(PutLineStart(p, line_open, indent) - p));
  }

  void PutEscaped(std::string_view utf8, const EntityTable& entities) {
    for (size_t i = 0; i < utf8.size();) {
      size_t run = i;
      while (run < utf8.size() && entities[static_cast<unsigned char>(utf8[run])].empty()) ++run;
      out.Put(utf8.substr(i, run - i));
      if (run < utf8.size()) out.Put(entities[static_cast<unsigned char>(utf8[run])]);
      i = run + 1;
    }
  }

  // A value as it goes out: well-formed, without trailing blanks, escaped. Most values are
  // plain ASCII and go out as they are; `plain` tells which.
  std::string_view Clean(std::string_view value, bool* plain) {
    // The padding goes first, so it is not checked: blanks are plain, and a value is plain
    // exactly when what precedes them is. Any other value is cleaned whole, as dropped
    // characters may uncover blanks.
    std::string_view v = DropTrailingBlanks(value);
    *plain = IsPlain(v);
    if (*plain) return v;
    WellFormedUtf8(value, scratch);
    return DropTrailingBlanks(scratch);
  }

  void PutValue(std::string_view value, const EntityTable& entities) {
    bool plain;
    std::string_view v = Clean(value, &plain);
    if (plain) {
      out.Put(v);
    } else {
      PutEscaped(v, entities);
    }
  }

  // The leaf in one piece, when it fits the buffer and the value goes out as it is
  // (IsPlain; printable ASCII is found where it was copied to). False when nothing was
  // written.
  bool PutWholeLeaf(std::string_view name, std::string_view v) {
    size_t indent = depth * kIndentWidth;
    size_t size = tag_unclosed + line_open + indent + 2 * name.size() + v.size() + 5 + 8;
    if (size > kBufferSize) return false;
    char* p = out.Room(size);
    char* start = p;
    *p = '>';
    p += tag_unclosed;
    p = PutLineStart(p, line_open, indent);
    *p++ = '<';
    p = Copy(p, name);
    if (v.empty()) {
      p = Copy(p, "/>");
    } else {
      *p++ = '>';
      p = Copy(p, v);
      // Values with Slovenian letters (UTF-8) go out as they are too, checked in full.
      if (!PlainAsciiCopy(p - v.size(), v) && !IsPlain(v)) return false;
      p = Copy(p, "</");
      p = Copy(p, name);
      *p++ = '>';
    }
    out.Advance(static_cast<size_t>(p - start));
    tag_unclosed = false;
    line_open = true;
    return true;
  }

  // A leaf: the start tag of a parent that gets its first content ends first. Most values
  // are printable ASCII without trailing blanks, and take the first way.
  void PutLeaf(std::string_view name, std::string_view value) {
    attributes_open = false;
    std::string_view v = value.empty() || value.back() != ' ' ? value : DropTrailingBlanks(value);
    if (PutWholeLeaf(name, v)) return;
    bool plain;  // the piece did not fit, or the value needs cleaning or escaping
    v = Clean(value, &plain);
    OpenContent();
    StartLine();
    out.Put('<');
    out.Put(name);
    if (v.empty()) {
      out.Put("/>");
    } else {
      out.Put('>');
      PutEscaped(v, kTextEntities);
      out.Put("</");
      out.Put(name);
      out.Put('>');
    }
    line_open = true;
  }

  // A parent's start tag up to its name, on a new line; the tag stays open for attributes
  // or for "/>" if no content follows.
  void StartParent(std::string_view name, std::string_view known) {
    size_t indent = depth * kIndentWidth;
    size_t size = tag_unclosed + line_open + indent + 1 + name.size() + 8;
    if (size <= kBufferSize) {  // in one piece, with the '>' of the parent it goes into
      char* p = out.Room(size);
      char* start = p;
      *p = '>';
      p += tag_unclosed;
      p = PutLineStart(p, line_open, indent);
      *p++ = '<';
      p = Copy(p, name);
      out.Advance(static_cast<size_t>(p - start));
    } else {
      OpenContent();
      StartLine();
      out.Put('<');
      out.Put(name);
    }
    line_open = true;
    if (parents.size() == depth) parents.emplace_back();
    Parent& parent = parents[depth++];
    parent.known = known;
    if (known.data() == nullptr) parent.given.assign(name);
    tag_unclosed = true;
    attribute_count = 0;
  }

  // The end tag of the innermost open parent: on a line of its own after content,
  // "<Name/>" when it has none.
  void EndParent() {
    --depth;
    attributes_open = false;
    if (tag_unclosed) {
      out.Put("/>");
      tag_unclosed = false;
      return;
    }
    std::string_view name = ParentName(depth);
    size_t indent = depth * kIndentWidth;
    size_t size = line_open + indent + 3 + name.size() + 8;
    if (size > kBufferSize) {
      StartLine();
      out.Put("</");
      out.Put(name);
      out.Put('>');
      return;
    }
    char* p = out.Room(size);
    char* start = p;
    p = PutLineStart(p, line_open, indent);
    p = Copy(p, "</");
    p = Copy(p, name);
    *p++ = '>';
    out.Advance(static_cast<size_t>(p - start));
  }

  bool AttributeGiven(std::string_view name) const {
    for (size_t i = 0; i < attribute_count; ++i)
      if (attributes[i] == name) return true;
    return false;
  }

  void Reset() {
    status = Status::Ok();
    out.Clear();
    started = false;
    depth = 0;
    attribute_count = 0;
    attributes_open = tag_unclosed = false;
    line_open = false;  // the declaration ends its line
  }
};

XmlStream::XmlStream(XmlSink& sink) : impl_(std::make_unique<Impl>(sink)) {}
XmlStream::~XmlStream() = default;

Status XmlStream::Start(std::string_view version, std::string_view encoding) {
  Impl& d = *impl_;
  d.Reset();
  std::string_view v = DropTrailingBlanks(version), e = DropTrailingBlanks(encoding);
  if (!v.empty() && !IsXmlVersion(v))
    return d.status = Status::InvalidArgument("cannot declare XML version \"" + std::string(v) + "\"");
  if (!e.empty() && !EqualsNoCase(e, "UTF-8"))
    return d.status = Status::InvalidArgument("unsupported encoding \"" + std::string(e) + "\"");
  d.out.Put("<?xml version=\"");
  d.out.Put(v.empty() ? "1.0" : v);
  if (!e.empty()) {
    d.out.Put("\" encoding=\"");
    d.out.Put(e);
  }
  d.out.Put("\"?>\n");
  d.started = true;
  return d.status;
}

void XmlStream::AddStringText(std::string_view text) {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  WellFormedUtf8(text, d.scratch);
  if (!IsMiscMarkup(d.scratch))
    return d.Misuse("text that is not a processing instruction or comment: " + d.scratch);
  d.attributes_open = false;
  if (d.depth == 0) {  // outside the root it stands on a line of its own
    if (d.line_open) d.out.Put('\n');
    d.out.Put(d.scratch);
    d.out.Put('\n');
    d.line_open = false;
  } else if (!d.scratch.empty()) {
    d.OpenContent();
    d.out.Put(d.scratch);
  }
}

void XmlStream::CreateParent(std::string_view name) {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  std::string_view n = d.TakeName(name, "element");
  if (n.empty()) return;
  d.StartParent(n, {});
  d.attributes_open = true;
}

void XmlStream::OpenParent(XmlName name) {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  d.StartParent(name.text(), name.text());
  d.attributes_open = false;
}

void XmlStream::CreateAttribute(std::string_view name, std::string_view value) {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  if (!d.attributes_open)
    return d.Misuse("attribute " + std::string(DropTrailingBlanks(name)) + " outside a start tag");
  std::string_view n = d.TakeName(name, "attribute");
  if (n.empty()) return;
  if (d.AttributeGiven(n))
    return d.Misuse("attribute " + std::string(n) + " given twice in <" +
                     std::string(d.ParentName(d.depth - 1)) + ">");
  if (d.attributes.size() == d.attribute_count) d.attributes.emplace_back();
  d.attributes[d.attribute_count++].assign(n);
  d.out.Put(' ');
  d.out.Put(n);
  d.out.Put("=\"");
  d.PutValue(value, kAttributeEntities);
  d.out.Put('"');
}

void XmlStream::AddParent() {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  if (!d.attributes_open) return d.Misuse("AddParent without CreateParent");
  d.attributes_open = false;  // the start tag ends with the first content
}

void XmlStream::AddElement(std::string_view name, std::string_view value) {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  std::string_view n = d.TakeName(name, "element");
  if (n.empty()) return;
  d.PutLeaf(n, value);
}

void XmlStream::AddLeaf(XmlName name, std::string_view value) {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  d.PutLeaf(name.text(), value);
}

void XmlStream::CloseParent() {
  Impl& d = *impl_;
  if (!d.Writing()) return;
  if (d.depth == 0) return d.Misuse("CloseParent without an open parent");
  d.EndParent();
}

Status XmlStream::Finish() {
  Impl& d = *impl_;
  if (!d.started) return d.status.ok() ? Status::InvalidArgument("no XML document started") : d.status;
  while (d.Writing() && d.depth > 0) d.EndParent();
  if (d.Writing()) {
    d.out.Put('\n');
    d.out.Drain();
  }
  d.started = false;
  return d.status;
}

void XmlStream::Abandon() {
  impl_->started = false;
  impl_->out.Clear();
}

}  // namespace eracuni::xml
