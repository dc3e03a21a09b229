// The bank envelope of a run: IzdelajOvojnico (plain) and IzdelajOvojnicoZPlacilom (with
// payment data).
//
// Both write one `envelope` element per invoice the run wrote (WrittenDocuments; every header
// when none are given) into the file `datoteka_ovojnice` (LOC:DATOTEKAOVOJNICE, UTF-8 path),
// inside one `package`. Channels G and U have no package: each envelope is a document of
// its own, so a run with several invoices writes one file per invoice, named after the
// invoice number (PerInvoicePath in envelope_forms.h) and never after another file of the
// run; a run without invoices then writes no file at all. An envelope lists only the
// attachment files that are there to be sent (AttachmentFile), and on the channels with a
// package no two files under one name. The writers may change the headers' buffer (the
// padded BIC fields) and rename PDF attachments as the same-name setting asks; messages go
// through platform.messages, the timestamps through platform.clock, the hash digits
// through platform.random. Neither starts a header walk of the caller's: call them
// outside one.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/platform.h"
#include "framework/status.h"
#include "settings/settings.h"
#include "workdata/work_files.h"

namespace eracuni::envelope {

struct RenamedAttachment {
  std::string from;  // full paths, UTF-8
  std::string to;
};

// An invoice document the run wrote: where (UTF-8), and for an e-SLOG 2.0 document the
// payment reference it carries (BT-83; "" when it has none), which the payment data repeats
// so that the bank's order and the invoice name the same reference.
struct WrittenDocument {
  std::string path;
  std::optional<std::string> payment_reference;  // none for a 1.6 document
};
// The invoice documents a run wrote, by header identifier. An envelope describes these
// invoices only, and names each document where the run wrote it.
using WrittenDocuments = std::map<uint32_t, WrittenDocument>;

// Why an attachment record's file is not in the envelope (and so not in the package).
enum class AttachmentProblem {
  kNone,            // listed and sent
  kMissing,         // no file at the path
  kBlankName,       // ERACPRIL:IMEPRILOGE is blank: the path would be the folder itself
  kNotRegularFile,  // a folder, a pipe or a device
  kDuplicateName,   // another file of the package already goes by this name
  kFolderNotReal,   // ERACPRIL:POTDOPRILOGE does not end with a path separator
};

// One attachment record of an invoice the envelope describes, as the envelope treated it.
struct AttachmentFile {
  uint32_t ident = 0;
  std::string invoice_number;  // clipped, windows-1250
  std::string path;            // UTF-8; the name it goes by after the same-name rule
  uint64_t size = 0;           // bytes, when listed
  FileId id;                   // when listed: which file it is, whatever `path` says
  AttachmentProblem problem = AttachmentProblem::kNone;
  bool listed() const { return problem == AttachmentProblem::kNone; }
};

// The name a file goes by inside a package, ASCII case ignored as on the bank's side: the
// file-name part of `path`.
std::string PackageEntryKey(const std::string& path);

struct EnvelopeResult {
  // A failure to create or write an envelope, for the caller to tell the user; the document
  // is then not left under its final name.
  Status status;
  // Every envelope file written (UTF-8 paths); more than one where a channel needs one
  // document per invoice.
  std::vector<std::string> files;
  // PDF attachments that go by their new name after the same-name rule, so the package takes
  // the new names (also when an earlier run renamed the file and only the new one is left).
  // A failed or refused rename is not listed: the envelope then names the old file.
  std::vector<RenamedAttachment> renamed;
  // Copies made under the buyer's tax number (payment variant), UTF-8 paths.
  std::vector<std::string> copies;
  // Every attachment record of the invoices described, in the order of the envelope; the
  // listed ones are what goes with the envelope (a file attached to several invoices is
  // listed for each).
  std::vector<AttachmentFile> attachments;
};

// `written` null: every header, its document in the output folder under the name its
// "XML" attachment gives.
EnvelopeResult IzdelajOvojnico(settings::Settings& settings, workdata::WorkFiles& files,
                               Platform& platform, const std::string& datoteka_ovojnice,
                               const WrittenDocuments* written = nullptr);
EnvelopeResult IzdelajOvojnicoZPlacilom(settings::Settings& settings, workdata::WorkFiles& files,
                                        Platform& platform, const std::string& datoteka_ovojnice,
                                        const WrittenDocuments* written = nullptr);

}  // namespace eracuni::envelope
