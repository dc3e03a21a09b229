// IzdelajXMLRacun20: the e-SLOG 2.0 document of the current header, or why it is refused.
//
// The header in the headers' buffer of `files` and its lines become the invoice model
// (build.h); the model is checked (CheckInvoiceModel) and only then written under
// `ime_xml_racuna` (LOC:IMEXMLRACUNA) in the output folder, through a temporary name. A
// refused invoice leaves no file behind and changes no setting; a written one sets
// settings.DOBROPISBREMEPIS from the stored type code, as the 1.6 document does. Telling the
// user is the caller's business: the outcome carries everything to tell.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "eslog20/build.h"
#include "framework/platform.h"
#include "framework/status.h"
#include "settings/settings.h"
#include "workdata/work_files.h"

namespace eracuni::eslog20 {

// What the checks of a finished model found: `fatal` refuses the invoice like a refusal of
// the build, `warnings` (windows-1250 lines) let it be written.
struct ModelFindings {
  std::vector<Refusal> fatal;
  std::vector<std::string> warnings;
};

// The one place where the finished model is checked before its document is written, as a
// receiver would check it: every rule of rules.h, UJP's checks fatal on channel U.
ModelFindings CheckInvoiceModel(const Invoice& invoice, const settings::Settings& settings);

struct DocumentOutcome {
  Status status;                      // a failure to create or write the document
  std::vector<Refusal> refusals;      // non-empty: refused, nothing was written
  std::vector<std::string> warnings;  // written despite these (windows-1250)
  std::string payment_reference;      // BT-83 of the written document, UTF-8; "" for none
  bool refused() const { return !refusals.empty(); }
};

DocumentOutcome IzdelajXMLRacun20(settings::Settings& settings, workdata::WorkFiles& files,
                                  FileSystem& fs, std::string_view ime_xml_racuna);

}  // namespace eracuni::eslog20
