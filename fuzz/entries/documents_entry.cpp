// Any bytes as work-data records (fuzzed_work_data.h): the invoice document and both
// envelopes, in memory.
#include <libxml/parser.h>

#include <memory>
#include <set>

#include "envelope/envelope.h"
#include "eslog/invoice.h"
#include "framework/cp1250.h"
#include "framework/error_manager.h"
#include "framework/testing/fakes.h"
#include "fuzz/entries/fuzz_entries.h"
#include "fuzz/entries/fuzzed_work_data.h"
#include "fuzz/entries/memory_file_system.h"
#include "workdata/fields.h"
#include "workdata/testing/memory_work_data.h"

namespace eracuni::fuzz {
namespace {

namespace H = workdata::eRACUNI;
namespace A = workdata::eRACPRIL;

constexpr const char* kOut = "/out/";
constexpr const char* kInvoiceName = "racun.xml";

class QuietTerminator : public Terminator {
 public:
  void Terminate(int, const std::string&) override {}
};

void IgnoreXmlError(void*, const char*, ...) {}

// A document must parse as XML, whatever the records held.
bool WellFormed(const std::string& bytes) {
  xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "doc.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc == nullptr) return false;
  xmlFreeDoc(doc);
  return true;
}

std::string Folder(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }
bool Inside(const std::string& path, const std::string& folder) {
  return path.compare(0, folder.size(), folder) == 0 &&
         path.find("/..", folder.size() - 1) == std::string::npos &&
         path.find('/', folder.size()) == std::string::npos;
}

// A rename that keeps the file in its folder: the same folder part, and a new name that is
// a name. (A name may well begin with "..": "..R-1.PDF" is a file like any other.)
bool StaysInItsFolder(const envelope::RenamedAttachment& r) {
  const std::string name = r.to.substr(r.to.rfind('/') + 1);
  return Folder(r.to) == Folder(r.from) && !name.empty() && name != "." && name != "..";
}

// Writes go into the output folder only; an attachment is only renamed within its folder,
// and only when its record names a folder (a folder text is blank or ends with a separator).
std::string CheckPaths(const MemoryFileSystem& files,
                       const std::vector<envelope::RenamedAttachment>& renames,
                       const std::set<std::string>& in_named_folders) {
  for (const envelope::RenamedAttachment& r : renames) {
    if (!StaysInItsFolder(r)) return "an attachment was renamed out of its folder";
    if (!in_named_folders.count(r.from)) return "an attachment outside a named folder was renamed";
  }
  for (const std::string& path : files.changed()) {
    bool renamed = false;
    for (const envelope::RenamedAttachment& r : renames)
      renamed = renamed || path == r.from || path == r.to;
    if (!renamed && !Inside(path, kOut)) return "a file outside the output folder was changed";
  }
  return "";
}

}  // namespace

std::string FuzzDocuments(std::string_view data) {
  static const bool quiet = (xmlSetGenericErrorFunc(nullptr, IgnoreXmlError), true);
  (void)quiet;
  const uint8_t channel = TakeByte(data), switches = TakeByte(data);
  const int line_count = TakeByte(data) % 4, attachment_count = TakeByte(data) % 4;

  testing::ScriptedMessageBox messages;
  testing::FixedClock clock;
  testing::RecordingProgramRunner programs;
  testing::SequenceRandom random;
  MemoryFileSystem files;
  files.AddDirectory(kOut);
  Platform platform{messages, clock, files, programs, random};
  QuietTerminator terminator;
  ErrorManager errors(messages, terminator);
  settings::Settings settings;
  ApplySwitches(channel, switches, kOut, settings);

  workdata::testing::MemoryWorkData work;
  std::set<std::string> in_named_folders;  // attachment paths whose folder text is a folder
  AddHeaderAndLines(data, line_count, work);
  for (int i = 0; i < attachment_count; ++i) {
    workdata::RecordBuffer& a = work.AddAttachment(1, 1, "", "", "");
    a.Assign(TakeRecord(data, workdata::AttachmentLayout().record_size));
    a.SetU32(A::IDENTRACUN, 1);
    a.SetU16(A::ZAPSTEV, static_cast<uint16_t>(i + 1));
    // The attachment's file exists, so sizes and renames have something to act on.
    const std::string folder = Cp1250ToUtf8(workdata::ClipRight(a.Text(A::POTDOPRILOGE)));
    const std::string path = folder + Cp1250ToUtf8(workdata::ClipRight(a.Text(A::IMEPRILOGE)));
    files.AddDirectory(folder.empty() ? "/" : folder);
    files.files()[path] = "%PDF-1.4";
    // A blank folder text is the working folder, where the invoicing program keeps its files.
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\')
      in_named_folders.insert(path);
  }
  auto work_files = work.Open(settings, errors);

  workdata::WorkFile& headers = work_files->headers();
  headers.buffer().Clear();
  headers.Set();
  if (!headers.Next()) return "the header cannot be read back";
  Status invoice = eslog::IzdelajXMLRacun(settings, *work_files, files, kInvoiceName);
  const std::string invoice_path = std::string(kOut) + kInvoiceName;
  if (invoice.ok() && !WellFormed(files.files()[invoice_path]))
    return "the invoice document is not well-formed XML";

  std::vector<envelope::RenamedAttachment> renames;
  for (bool payment : {false, true}) {
    const std::string path = std::string(kOut) + (payment ? "ovojnica_p.xml" : "ovojnica.xml");
    envelope::EnvelopeResult result =
        payment ? envelope::IzdelajOvojnicoZPlacilom(settings, *work_files, platform, path)
                : envelope::IzdelajOvojnico(settings, *work_files, platform, path);
    renames.insert(renames.end(), result.renamed.begin(), result.renamed.end());
    if (!result.status.ok()) continue;
    for (const std::string& written : result.files) {
      auto it = files.files().find(written);
      if (it == files.files().end()) return "an envelope named in the result is missing";
      if (!WellFormed(it->second)) return "an envelope is not well-formed XML";
    }
    std::string broken = CheckPaths(files, renames, in_named_folders);
    if (!broken.empty()) return broken;
  }
  return "";
}

}  // namespace eracuni::fuzz
