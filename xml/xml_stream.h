// XmlSink and XmlStream: one XML document written front to back into a sink.
//
// XmlStream is the document half of XmlWriter (xml_writer.h, which owns the file and its
// name): every byte of the document is written by this code. Element order is call order
// and nesting follows CreateParent/AddParent ... CloseParent. Values lose their trailing
// blanks, keep their leading ones, and have markup characters escaped. Text bytes go out as
// given (callers pass prepared text with the Slovenian letters as UTF-8 pairs); bytes that
// do not form UTF-8 are taken as windows-1250 so that every document is well-formed UTF-8.
//
// Byte-stable layout: the declaration on the first line, text added before the root on a
// line of its own, then one element per line, indented by two blanks per level; an element
// without content is written <Name/>; the document ends with a line break. Text escapes
// & < > and CR; attribute values also escape the double quote, tab and LF. Characters XML 1.0
// forbids (control characters other than tab, LF and CR) are dropped.
//
// The bytes gather in a 64 KiB buffer and reach the sink through its one method in pieces
// of nearly that size (a piece ends before a leaf that does not fit whole; the last one is
// the rest). The first failure, of the sink or of the caller's use, is kept; every later
// call then has no effect, and no byte reaches the sink after a failure. The sink is the
// caller's and must outlive the stream.
//
// Well-formedness is kept by refusing what would break it: element and attribute names must
// be XML names, an attribute may appear once per start tag and only before AddParent, text
// added verbatim must be processing instructions, comments or white space, and only open
// parents close. Values are cleaned as above, so they never make a refusal.
#pragma once

#include <memory>
#include <string_view>

#include "framework/byte_sink.h"
#include "framework/status.h"
#include "xml/xml_name.h"

namespace eracuni::xml {

// The next bytes of the document, in order, through the sink every whole-file writer uses.
using XmlSink = ByteSink;

class XmlStream {
 public:
  explicit XmlStream(XmlSink& sink);
  ~XmlStream();
  XmlStream(const XmlStream&) = delete;
  XmlStream& operator=(const XmlStream&) = delete;

  // Starts a document with its declaration. An empty `version` declares "1.0"; an empty
  // `encoding` declares none. The bytes are UTF-8, so only that encoding may be named.
  Status Start(std::string_view version, std::string_view encoding);
  void AddStringText(std::string_view text);
  void CreateParent(std::string_view name);
  void CreateAttribute(std::string_view name, std::string_view value);
  void AddParent();
  void AddElement(std::string_view name, std::string_view value);
  void CloseParent();
  // CreateParent and AddParent, and AddElement, for a name checked when the program was
  // built: the same bytes, without the name's check or copy.
  void OpenParent(XmlName name);
  void AddLeaf(XmlName name, std::string_view value);
  // Closes the open parents, ends the document and hands the last bytes to the sink.
  // Returns the first failure since Start.
  Status Finish();
  // Drops the document: nothing more reaches the sink.
  void Abandon();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace eracuni::xml
