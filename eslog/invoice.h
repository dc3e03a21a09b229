// IzdelajXMLRacun: writes the e-SLOG 1.6 simple issued invoice of the current header.
//
// The header is the one in the headers' buffer of `files`; its lines are walked from
// there. The file goes into the output folder under `ime_xml_racuna` (LOC:IMEXMLRACUNA).
// Sets settings.DOBROPISBREMEPIS to 1 for a credit or debit note ("381", "385"), else 0.
#pragma once

#include <string>
#include <string_view>

#include "framework/platform.h"
#include "framework/status.h"
#include "settings/settings.h"
#include "workdata/work_files.h"

namespace eracuni::eslog {

// Where a document named `file_name` (windows-1250, blanks around it ignored) goes: the
// output folder, which ends with its own separator, followed by the name; UTF-8.
std::string DocumentPath(const settings::Settings& settings, std::string_view file_name);

// The document's status: a failure to create or write the file is returned so the caller
// can tell the user; the document is then not left under its final name.
Status IzdelajXMLRacun(settings::Settings& settings, workdata::WorkFiles& files,
                       FileSystem& fs, std::string_view ime_xml_racuna);

}  // namespace eracuni::eslog
