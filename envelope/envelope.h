// The bank envelope of a run: IzdelajOvojnico (plain) and IzdelajOvojnicoZPlacilom (with
// payment data).
//
// Both walk every header of the work data and its attachments and write one `envelope`
// element per header into the file `datoteka_ovojnice` (LOC:DATOTEKAOVOJNICE, UTF-8 path),
// inside one `package`. Channels G and U have no package: each envelope is a document of
// its own, so a run with several headers writes one file per header, named after the
// header's invoice number (PerInvoicePath in envelope_forms.h); a run without headers then
// writes no file at all. They may change the headers' buffer (the padded BIC fields) and
// rename PDF attachments as the same-name setting asks; messages go through
// platform.messages, the timestamps through platform.clock, the hash digits through
// platform.random. Neither starts a header walk of the caller's: call them outside one.
#pragma once

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
};

EnvelopeResult IzdelajOvojnico(settings::Settings& settings, workdata::WorkFiles& files,
                               Platform& platform, const std::string& datoteka_ovojnice);
EnvelopeResult IzdelajOvojnicoZPlacilom(settings::Settings& settings, workdata::WorkFiles& files,
                                        Platform& platform, const std::string& datoteka_ovojnice);

}  // namespace eracuni::envelope
