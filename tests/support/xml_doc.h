// A written XML file parsed with libxml2, for tests that check what a writer produced.
// A query is an XPath ("//P:Node/...") or, when it starts with a letter, element names
// joined by "/" found anywhere in the document with namespaces ignored ("doc_data/doc_id").
#pragma once

#include <string>
#include <vector>

namespace eracuni::testing {

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
  std::string Text(const std::string& query) const;
  int Count(const std::string& query) const { return static_cast<int>(Texts(query).size()); }
  std::string RootName() const;
  // An attribute of the root ("pkg_type", "xsi:noNamespaceSchemaLocation") or a namespace
  // declaration on it ("xmlns", "xmlns:xsi"); "<none>" when absent.
  std::string RootAttribute(const std::string& name) const;

 private:
  void* doc_ = nullptr;
};

}  // namespace eracuni::testing
