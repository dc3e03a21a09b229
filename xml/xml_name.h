// XmlName: an element name written into the program, checked when the program is built.
//
// The document writers name their elements with literals, the same few hundred in every
// document. An XmlName is made only from a string literal and only when the literal is an
// XML name of ASCII characters (a letter, '_' or ':' first; then also digits, '-' and '.'):
// anything else does not compile. The writer therefore writes it without checking it and
// may keep it by reference, as a literal lives as long as the program.
#pragma once

#include <cstddef>
#include <string_view>

namespace eracuni::xml {

class XmlName {
 public:
  template <size_t N>
  consteval XmlName(const char (&literal)[N]) : text_(literal, N - 1) {
    // Reached only while compiling: the build fails.
    if (literal[N - 1] != '\0' || !IsAsciiName(text_)) throw "not an XML name";
  }

  constexpr std::string_view text() const { return text_; }

 private:
  static constexpr bool IsStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
  }
  static constexpr bool IsAsciiName(std::string_view s) {
    if (s.empty() || !IsStart(s[0])) return false;
    for (char c : s)
      if (!IsStart(c) && !(c >= '0' && c <= '9') && c != '-' && c != '.') return false;
    return true;
  }

  std::string_view text_;
};

}  // namespace eracuni::xml
