// Workload: large, realistic work data for measuring the whole run.
//
// A data set is a folder with the three work files (written by our TopSpeed writer), the
// attachment files they name and an empty output folder. Every invoice has the same shape
// (so the cost per invoice can be compared between sizes) but its own number, buyer, line
// texts and amounts, with Slovenian letters throughout. The caller owns the folder.
#pragma once

#include <cstdint>
#include <string>

#include "framework/platform.h"
#include "framework/status.h"
#include "settings/settings.h"

namespace eracuni::bench {

struct Shape {
  uint32_t invoices = 1000;
  uint32_t lines_per_invoice = 25;
  uint32_t attachments_per_invoice = 3;  // the "XML" document, its PDF, shared conditions
};

// Where the parts of a data set live; `root` ends with "/".
struct DataSet {
  std::string root;
  std::string work() const { return root + "work/"; }
  std::string attachments() const { return root + "priloge/"; }
  std::string output() const { return root + "izhod/"; }
};

// The record images, each exactly its layout's size.
std::string HeaderRecord(uint32_t ident, uint32_t lines_per_invoice);  // totals over its lines
std::string LineRecord(uint32_t ident, uint32_t line_number);
std::string AttachmentRecord(uint32_t ident, uint16_t seq, const DataSet& set);

// The name of the invoice document of `ident` (what its "XML" attachment names).
std::string InvoiceFileName(uint32_t ident);

// Writes the three work files, the attachment files and an empty output folder.
Status Generate(FileSystem& fs, const DataSet& set, const Shape& shape);

// The settings a run over `set` uses: channel from the data (BIC of the first header), no
// signer, archiver "7za.EXE"; the e-SLOG version of ERACUNI_BENCH_ESLOG ("2.0"), else 1.6.
settings::Settings SettingsFor(const DataSet& set);

}  // namespace eracuni::bench
