// IzdelajPaket: the run's ZIP package of the envelope and every attachment.
#include <cerrno>

#include "batch/commands.h"
#include "batch/messages.h"
#include "batch/names.h"
#include "batch/stages.h"
#include "framework/cp1250.h"

namespace eracuni::batch {
namespace {

using workdata::ClipRight;
namespace eRACPRIL = workdata::eRACPRIL;

std::string ToCp1250Path(const std::string& utf8) {
  if (auto cp = Utf8ToCp1250(utf8)) return *cp;
  return ToMessageText(utf8);
}

// Every attachment of the work data, under the name the envelope left it with.
std::vector<std::string> AttachmentPaths(workdata::WorkFiles& files,
                                         const envelope::EnvelopeResult& envelope) {
  std::vector<std::string> paths;
  const workdata::RecordBuffer& a = files.attachments().buffer();
  workdata::WalkAllAttachments(files, [&] {
    std::string path = std::string(a.Clipped(eRACPRIL::POTDOPRILOGE)) +
                       std::string(a.Clipped(eRACPRIL::IMEPRILOGE));
    std::string utf8 = Cp1250ToUtf8(path);
    for (const envelope::RenamedAttachment& r : envelope.renamed)
      if (r.from == utf8) path = ToCp1250Path(r.to);
    paths.push_back(path);
    return true;
  });
  return paths;
}

// What the envelope writer wrote: LOC:DATOTEKAOVOJNICE, or one file per invoice for G and U,
// or nothing when it failed.
std::vector<std::string> EnvelopePaths(const envelope::EnvelopeResult& envelope) {
  std::vector<std::string> paths;
  for (const std::string& f : envelope.files) paths.push_back(ToCp1250Path(f));
  return paths;
}

// A package of the same name from an earlier run would otherwise keep that run's files.
void DeleteOldPackage(BatchContext& ctx, const std::string& package_path) {
  Status s = ctx.platform.files.DeleteFile(Cp1250ToUtf8(package_path));
  if (s.ok() || s.error_code() == 2) return;
  ShowWarning(ctx.platform.messages, OldFileDeleteFailed(package_path, s), caption::kWarning);
}

void RunArchiver(BatchContext& ctx, const ProgramCommand& cmd, const std::string& package_path,
                 std::vector<std::string>& log) {
  MessageBox& box = ctx.platform.messages;
  std::string program = FindArchiver(ctx.platform.programs, cmd.program);
  if (program.empty()) {
    Status missing = Status::NotFound("no program " + cmd.program, ENOENT);
    ShowWarning(box, ErrorCodeAndText(missing), caption::kArchiver);
    return;
  }
  log.push_back(cmd.command_line);
  Result<int> rc = ctx.platform.programs.Run(program, cmd.args);
  if (!rc.ok()) {
    ShowWarning(box, ErrorCodeAndText(rc.status()), caption::kArchiver);
  } else if (*rc != 0) {
    ShowWarning(box, ArchiverFailed(package_path, *rc), caption::kArchiver);
  }
}

}  // namespace

void IzdelajPaket(BatchContext& ctx, WindowState& w, const envelope::EnvelopeResult& envelope,
                  std::vector<std::string>& log) {
  std::vector<std::string> attachments = AttachmentPaths(ctx.files, envelope);
  w.SEZNAMPRILOG = QuotedList(attachments);
  w.IMEOVOJNICE = std::string(FileNamePart(w.DATOTEKAOVOJNICE));
  w.IMEPAKETA = PackageBaseName(w.IMEOVOJNICE);
  std::string package_path =
      std::string(ClipRight(ctx.settings.POTDOXMLRACUNOV)) + w.IMEPAKETA + ".ZIP";
  DeleteOldPackage(ctx, package_path);
  ProgramCommand cmd =
      ArchiverCommand(ctx.settings.POTDO7ZG, package_path, EnvelopePaths(envelope), attachments);
  RunArchiver(ctx, cmd, package_path, log);
}

}  // namespace eracuni::batch
