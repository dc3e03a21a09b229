// XmlWriter: the streaming XML writer both documents are written through.
//
// One document at a time, front to back, into a file this writer owns; the bytes, their
// layout, escaping and well-formedness checks are XmlStream's (xml_stream.h), whose calls
// these forward to. Calls while no document is open have no effect.
//
// The document is written to a temporary name beside the target and renamed into place
// only when CloseXmlFile succeeds, so a failed write never leaves a file under the final
// name (a file already there stays as it was). Misuse that would break well-formedness is
// recorded as a failure and returned by CloseXmlFile.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/platform.h"
#include "framework/status.h"
#include "xml/xml_name.h"
#include "xml/xml_stream.h"

namespace eracuni::xml {

class XmlWriter {
 public:
  explicit XmlWriter(FileSystem& files);
  ~XmlWriter();
  XmlWriter(const XmlWriter&) = delete;
  XmlWriter& operator=(const XmlWriter&) = delete;

  // XML:CREATEXMLFILE. `path` is UTF-8. The declaration names `encoding`, which is also the
  // encoding of the bytes written: "UTF-8" (what callers pass) or none. A failure names the
  // path and carries the platform's error.
  Status CreateXmlFile(const std::string& path, std::string_view version,
                       std::string_view encoding);
  // XML:SETENCODING: recorded only; the bytes of values are never transcoded by it.
  void SetEncoding(std::string_view encoding);
  // XML:ADDSTRINGTEXT: verbatim text at the current position (a processing instruction).
  void AddStringText(std::string_view text);
  // XML:CREATEPARENT, XML:CREATEATTRIBUTE, XML:ADDPARENT.
  void CreateParent(std::string_view name);
  void CreateAttribute(std::string_view name, std::string_view value);
  void AddParent();
  // XML:ADDELEMENT: a child element with its text, also when the value is empty.
  void AddElement(std::string_view name, std::string_view value);
  // XML:CLOSEPARENT.
  void CloseParent() { stream_->CloseParent(); }
  // CreateParent followed by AddParent, and AddElement, for names written into the program
  // (checked when it is built; the same bytes as the calls above). These three are made for
  // every element and go straight to the stream.
  void OpenParent(XmlName name) { stream_->OpenParent(name); }
  void AddLeaf(XmlName name, std::string_view value) { stream_->AddLeaf(name, value); }
  // XML:CLOSEXMLFILE: closes open parents, finishes the file and renames it into place.
  // The first failure since CreateXmlFile is returned and the file is removed.
  Status CloseXmlFile();

  bool is_open() const;

 private:
  friend Status WriteRenderedDocument(FileSystem&, const std::string&,
                                      const std::vector<std::string_view>&);
  struct Impl;
  std::unique_ptr<Impl> impl_;
  XmlStream* stream_;  // impl_'s
};

// Writes a document the writer rendered earlier into memory (a RenderingFileSystem) to its
// file the way CloseXmlFile would have: `pieces` in the order and sizes the writer appended
// them, to a temporary name, closed with a wait for the disk and renamed to `path`. A failure
// names `path` and leaves no temporary file.
Status WriteRenderedDocument(FileSystem& files, const std::string& path,
                             const std::vector<std::string_view>& pieces);

}  // namespace eracuni::xml
