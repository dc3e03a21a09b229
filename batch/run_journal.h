// RunJournal: what one run did, invoice by invoice, as plain data.
//
// The batch run fills it as it goes (the loop records each header's outcome, the completion
// stages the attachments, the envelope and the package, the message boxes every message
// shown); the run report renders it and the headless runner reads it. It lives in the
// WindowState, so it is owned by the BatchRun and cleared when a run starts. Texts are
// windows-1250 bytes, as the work data and the messages hold them; paths too.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace eracuni::batch {

// What became of one header of the work data.
enum class InvoiceStatus {
  kNotReached,           // the loop stopped before this header
  kWritten,              // document written and named
  kWrittenWithWarnings,  // written; `reasons` holds the warnings
  kRefused,              // not expressible or breaking a fatal rule; `reasons` says why
  kNotWritten,           // a name, write or rename failure; `reasons` says what failed
};

struct InvoiceOutcome {
  std::string number;    // ERACUNI:STEVILKARACUNA, clipped
  std::string buyer;     // the buyer's name
  std::string date;      // the issue date as the work data holds it
  std::string amount;    // the amount for payment as the work data holds it
  std::string document;  // path of the document (where it was, or would have been, written)
  // Beside each other, the two take the room of one pointer (a run keeps a row per header).
  InvoiceStatus status = InvoiceStatus::kNotReached;
  uint32_t ident = 0;                // ERACUNI:IDENTRACUN: which documents the envelope describes
  std::vector<std::string> reasons;  // one line each
  // The payment reference of a 2.0 document (BT-83, ASCII; "" for none); none for 1.6.
  std::optional<std::string> payment_reference;
};

struct AttachmentOutcome {
  std::string invoice_number;
  std::string path;
  bool present = false;  // a regular file that went into the envelope's files
  uint64_t size = 0;     // bytes, when present
  std::string problem;   // why it was left out (missing, blank name, not a file, duplicate...)
};

struct RunJournal {
  std::string started;        // local time the run started, "YYYY-MM-DD HH:MM:SS"
  std::string folder;         // the program's working folder
  std::string output_folder;  // POTDOXMLRACUNOV
  std::string channel;        // KATERABANKA
  std::string version;        // e-SLOG version of the documents, "1.6" or "2.0"
  std::vector<InvoiceOutcome> invoices;
  std::vector<AttachmentOutcome> attachments;
  std::string envelope_path;
  bool envelope_written = false;
  uint64_t envelope_size = 0;
  std::string package_path;  // empty on channels without a package
  bool package_made = false;
  uint64_t package_size = 0;               // bytes, when made
  std::string package_problem;             // why no package was made
  std::vector<std::string> package_files;  // the names inside the package
  std::vector<std::string> messages;       // every message shown: "CAPTION: text"
  std::string report_path;                  // the report written after the run, or ""
  std::vector<std::string> envelope_files;  // every envelope file (G, U: one per invoice)
};

}  // namespace eracuni::batch
