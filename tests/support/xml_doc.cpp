#include "tests/support/xml_doc.h"

#include <libxml/parser.h>
#include <libxml/xpath.h>

#include <cctype>

namespace eracuni::testing {
namespace {

std::string ToXPath(const std::string& query) {
  if (query.empty() || !std::isalpha(static_cast<unsigned char>(query[0]))) return query;
  std::string xpath;
  size_t start = 0;
  while (start <= query.size()) {
    size_t end = query.find('/', start);
    if (end == std::string::npos) end = query.size();
    xpath += (xpath.empty() ? "//" : "/");
    xpath += "*[local-name()='" + query.substr(start, end - start) + "']";
    start = end + 1;
  }
  return xpath;
}

std::string NodeText(xmlNodePtr node) {
  xmlChar* content = xmlNodeGetContent(node);
  std::string text = content ? reinterpret_cast<const char*>(content) : "";
  xmlFree(content);
  return text;
}

std::string Str(const xmlChar* s) { return reinterpret_cast<const char*>(s); }

}  // namespace

XmlDoc::XmlDoc(const std::string& bytes) {
  if (bytes.empty()) return;
  doc_ = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "doc.xml", nullptr,
                       XML_PARSE_NONET);
}

XmlDoc::~XmlDoc() { xmlFreeDoc(static_cast<xmlDocPtr>(doc_)); }

std::vector<std::string> XmlDoc::Texts(const std::string& query) const {
  std::vector<std::string> out;
  if (doc_ == nullptr) return out;
  xmlXPathContextPtr ctx = xmlXPathNewContext(static_cast<xmlDocPtr>(doc_));
  const std::string xpath = ToXPath(query);
  xmlXPathObjectPtr found = xmlXPathEvalExpression(BAD_CAST xpath.c_str(), ctx);
  if (found && found->nodesetval)
    for (int i = 0; i < found->nodesetval->nodeNr; ++i)
      out.push_back(NodeText(found->nodesetval->nodeTab[i]));
  xmlXPathFreeObject(found);
  xmlXPathFreeContext(ctx);
  return out;
}

std::string XmlDoc::RootName() const {
  return doc_ ? Str(xmlDocGetRootElement(static_cast<xmlDocPtr>(doc_))->name) : "";
}

std::string XmlDoc::RootAttribute(const std::string& name) const {
  if (!doc_) return "";
  xmlNodePtr root = xmlDocGetRootElement(static_cast<xmlDocPtr>(doc_));
  for (xmlAttrPtr a = root->properties; a; a = a->next) {
    std::string full = a->ns && a->ns->prefix ? Str(a->ns->prefix) + ":" : "";
    full += Str(a->name);
    if (full == name) return NodeText(a->children);
  }
  for (xmlNsPtr ns = root->nsDef; ns; ns = ns->next) {
    std::string full = ns->prefix ? "xmlns:" + Str(ns->prefix) : "xmlns";
    if (full == name) return Str(ns->href);
  }
  return "<none>";
}

}  // namespace eracuni::testing
