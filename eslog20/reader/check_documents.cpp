#include "eslog20/reader/check_documents.h"

#include "eslog20/reader/document_reader.h"
#include "framework/cp1250.h"

namespace eracuni::eslog20 {

int CheckDocuments(std::span<const std::string> paths, RuleOptions options, FileSystem& fs, std::ostream& out) {
  bool unreadable = false, fatal = false;
  for (const std::string& given : paths) {
    std::string path = EscapeControls(given);  // one line per finding, whatever the name holds
    Result<std::string> bytes = fs.ReadFile(given);
    if (!bytes.ok()) {
      out << path << ": datoteke ni mogoče prebrati: " << EscapeControls(bytes.status().ToString()) << "\n";
      unreadable = true;
      continue;
    }
    ReadResult read = ReadInvoiceDocument(*bytes);
    if (!read.invoice) {
      out << path << ": " << read.problem << "\n";
      unreadable = true;
      continue;
    }
    for (const RuleFailure& f : CheckRules(*read.invoice, options)) {
      out << path << ": " << f.rule << (f.fatal ? " fatal: " : " warning: ") << EscapeControls(Cp1250ToUtf8(f.text)) << ".\n";
      fatal |= f.fatal;
    }
  }
  return unreadable ? kCheckUnreadable : fatal ? kCheckFatal : kCheckPassed;
}

}  // namespace eracuni::eslog20
