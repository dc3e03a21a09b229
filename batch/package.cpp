// IzdelajPaket: the run's ZIP package of the envelope and the files it describes.
//
// The package holds exactly what the envelope lists, each file once. It counts as made only
// when the archiver ran, ended without an error and the package is there afterwards; a
// package the archiver left half made is removed, so nothing incomplete goes to the bank.
#include <cerrno>
#include <set>
#include <utility>

#include "batch/commands.h"
#include "batch/messages.h"
#include "batch/names.h"
#include "batch/stages.h"
#include "framework/cp1250.h"

namespace eracuni::batch {
namespace {

using workdata::ClipRight;

std::string ToCp1250Path(const std::string& utf8) {
  if (auto cp = Utf8ToCp1250(utf8)) return *cp;
  return ToMessageText(utf8);
}

// The files the envelope lists, each once under each name it lists them by, however many
// invoices name them: a link under another name is the same file, but the bank looks for
// both names.
std::vector<std::string> AttachmentPaths(const envelope::EnvelopeResult& envelope) {
  std::vector<std::string> paths;
  std::set<std::pair<FileId, std::string>> seen;  // the file, its name in the package
  for (const envelope::AttachmentFile& a : envelope.attachments)
    if (a.listed() && seen.emplace(a.id, envelope::PackageEntryKey(a.path)).second)
      paths.push_back(ToCp1250Path(a.path));
  return paths;
}

// What the envelope writer wrote: LOC:DATOTEKAOVOJNICE, or one file per invoice for G and U.
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

// Runs the archiver; on failure tells the user and returns why, for the result line.
std::string RunArchiver(BatchContext& ctx, ProgramCommand& cmd, const std::string& package_path,
                        std::vector<std::string>& log) {
  MessageBox& box = ctx.platform.messages;
  std::string program = FindArchiver(ctx.platform.programs, cmd.program);
  if (program.empty()) {
    std::string named = ToCp1250Path(cmd.program);
    ShowWarning(box, ArchiverNotFound(named), caption::kArchiver);
    return "programa " + named +
           " ni mogo\xE8"
           "e najti";
  }
  log.push_back(std::move(cmd.command_line));  // megabytes for a large run: moved, not copied
  Result<int> rc = ctx.platform.programs.Run(program, cmd.args);
  if (!rc.ok()) {
    ShowWarning(box, ArchiverNotStarted(rc.status()), caption::kArchiver);
    return "programa za stiskanje ni mogo\xE8"
           "e zagnati (" +
           ErrorCodeAndText(rc.status()) + ")";
  }
  if (*rc != 0) {
    ShowWarning(box, ArchiverFailed(package_path, *rc), caption::kArchiver);
    return "program za stiskanje je kon\xE8"
           "al z izhodno kodo " +
           std::to_string(*rc);
  }
  if (!ctx.platform.files.IsRegularFile(Cp1250ToUtf8(package_path))) {
    ShowWarning(box, PackageMissing(package_path), caption::kArchiver);
    return "program za stiskanje ga ni naredil";
  }
  return "";
}

std::vector<std::string> NamesInPackage(const std::vector<std::string>& envelopes,
                                        const std::vector<std::string>& attachments) {
  std::vector<std::string> names;
  for (const auto* list : {&envelopes, &attachments})
    for (const std::string& p : *list) names.emplace_back(FileNamePart(p));
  return names;
}

}  // namespace

void IzdelajPaket(BatchContext& ctx, WindowState& w, const envelope::EnvelopeResult& envelope,
                  std::vector<std::string>& log) {
  std::vector<std::string> attachments = AttachmentPaths(envelope);
  std::vector<std::string> envelopes = EnvelopePaths(envelope);
  w.SEZNAMPRILOG = QuotedList(attachments);
  w.IMEOVOJNICE = std::string(FileNamePart(w.DATOTEKAOVOJNICE));
  w.IMEPAKETA = PackageBaseName(w.IMEOVOJNICE);
  std::string package_path =
      std::string(ClipRight(ctx.settings.POTDOXMLRACUNOV)) + w.IMEPAKETA + ".ZIP";
  RunJournal& j = w.journal;
  j.package_path = package_path;
  DeleteOldPackage(ctx, package_path);
  ProgramCommand cmd = ArchiverCommand(ctx.settings.POTDO7ZG, package_path, envelopes, attachments);
  j.package_problem = RunArchiver(ctx, cmd, package_path, log);
  j.package_made = j.package_problem.empty();
  if (j.package_made) {
    j.package_files = NamesInPackage(envelopes, attachments);
  } else {
    (void)ctx.platform.files.DeleteFile(Cp1250ToUtf8(package_path));
  }
}

}  // namespace eracuni::batch
