// A written XML file parsed with libxml2, for tests that check what a writer produced.
// A query is an XPath ("//P:Node/...") or, when it starts with a letter, element names
// joined by "/" found anywhere in the document with namespaces ignored ("doc_data/doc_id").
//
// Libxml2 has no Windows build. There XmlDoc reads nothing, and a test that reads a document
// back starts with SKIP_WITHOUT_XML_READER(); the Linux build reads the same bytes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace eracuni::testing {

#ifdef ERACUNI_NO_XML_READER
inline constexpr bool kXmlReaderAvailable = false;
#else
inline constexpr bool kXmlReaderAvailable = true;
#endif

#define SKIP_WITHOUT_XML_READER()                   \
  if (!::eracuni::testing::kXmlReaderAvailable)     \
  GTEST_SKIP() << "not on Windows: no libxml2; the Linux build reads and validates the same bytes"

class XmlDoc {
 public:
  // Null when `bytes` are empty or not well-formed.
  explicit XmlDoc(const std::string& bytes);
  ~XmlDoc();
  XmlDoc(XmlDoc&& other) noexcept : doc_(other.doc_) { other.doc_ = nullptr; }
  XmlDoc(const XmlDoc&) = delete;
  XmlDoc& operator=(const XmlDoc&) = delete;

  bool ok() const { return doc_ != nullptr; }
  std::vector<std::string> Texts(const std::string& query) const;
  // The first match's text; "<none>" when nothing matches, so an empty element is told apart.
  std::string Text(const std::string& query) const {
    std::vector<std::string> all = Texts(query);
    return all.empty() ? "<none>" : all.front();
  }
  int Count(const std::string& query) const { return static_cast<int>(Texts(query).size()); }
  std::string RootName() const;
  // An attribute of the root ("pkg_type", "xsi:noNamespaceSchemaLocation") or a namespace
  // declaration on it ("xmlns", "xmlns:xsi"); "<none>" when absent.
  std::string RootAttribute(const std::string& name) const;

 private:
  void* doc_ = nullptr;
};

}  // namespace eracuni::testing
