#include "framework/message_table.h"

namespace eracuni {
namespace {

// Each entry: id (LE), severity (1 question, 2 program error, 3 fatal, 5 notice) and title
// length on one line, the title, then the text length and the text.
// clang-format off
constexpr char kPacked[] =
    "\x36\x00"  // 54 entries
    "\x01\x00\x05\x16" "Record Retrieval Error"
        "\x65" "Error: (%ErrorText) attempting to access a record from the %File file.  Returning "
        "to previous window."
    "\x02\x00\x05\x0D" "Access Denied"
        "\x38" "Could not get write access to %File so trying read-only."
    "\x03\x00\x01\x0C" "Record Added"
        "\x4A" "This record has been added to the file. Do you want to add another record?"
    "\x04\x00\x05\x13" "Record Insert Error"
        "\x58" "An error was experienced during the creation of a record.|File: %File|Error: "
        "%ErrorText."
    "\x05\x00\x05\x0F" "Add New Record?"
        "\x35" "Record match not found, do you wish to add a new one?"
    "\x06\x00\x05\x11" "File Access Error"
        "\x33" "File %File could not be closed.  Error: %ErrorText."
    "\x07\x00\x05\x16" "Record Was Not Updated"
        "\x2B" "This record was changed by another station."
    "\x08\x00\x05\x16" "Record Was Not Updated"
        "\x87" "This record was changed by another station. Those changes will now be displayed. "
        "Use the Ditto Button or Ctrl+H to recall your changes."
    "\x09\x00\x05\x16" "Record Retrieval Error"
        "\x7D" "This record was changed or deleted by another station.|Error: (%ErrorText) "
        "attempting to access a record from the %File file."
    "\x0A\x00\x01\x15" "Changes will be lost!"
        "\x20" "Are you sure you want to cancel?"
    "\x0B\x00\x01\x0E" "Confirm Delete"
        "\x37" "Are you sure you want to delete the highlighted record?"
    "\x0C\x00\x03\x13" "File Creation Error"
        "\x23" "Error: (%ErrorText) creating %File."
    "\x0D\x00\x05\x16" "Record was not deleted"
        "\x51" "An error (%ErrorText) was experienced when deleting a record from the %File file."
    "\x0E\x00\x05\x0F" "Invalid Request"
        "\x2B" "This form cannot be used to delete a record"
    "\x0F\x00\x05\x13" "Duplicate Key Error"
        "\x42" "Adding this record creates a duplicate entry for the key: %Message"
    "\x10\x00\x05\x13" "SQL Execution Error"
        "\x3D" "Executing the SQL command %Message failed.|Error: %ErrorText."
    "\x12\x00\x05\x14" "Field contents error"
        "\x37" "The value of %Field must be found in the %Message file."
    "\x13\x00\x05\x0B" "Value Error"
        "\x33" "The value of %Field must be in the list : %Message."
    "\x14\x00\x05\x0B" "Range Error"
        "\x2E" "The value of %Field must be in range %Message."
    "\x15\x00\x05\x0B" "Range Error"
        "\x30" "The value of %Field must be lower than %Message."
    "\x16\x00\x05\x0B" "Range Error"
        "\x31" "The value of %Field must be higher than %Message."
    "\x17\x00\x05\x0F" "File Load Error"
        "\x2A" "%File File Load Error.  Error: %ErrorText."
    "\x18\x00\x03\x10" "WMF Parser Error"
        "\x27" "Get next record from file %File failed."
    "\x19\x00\x05\x0F" "Invalid Request"
        "\x2B" "This form cannot be used to insert a record"
    "\x1A\x00\x03\x0C" "Invalid File"
        "\x67" "%File has an invalid File structure.|Error: %ErrorCode - %Error|FileError: "
        "%FileErrorCode - %FileError|"
    "\x1B\x00\x05\x15" "Transaction cancelled"
        "\x41" "Error: (%ErrorText) attempting to frame the transaction on %File."
    "\x1C\x00\x05\x0A" "No Records"
        "\x2A" "There are no records available to process."
    "\x1D\x00\x03\x11" "File Access Error"
        "\x33" "File %File could not be opened.  Error: %ErrorText."
    "\x1E\x00\x05\x15" "Procedure not defined"
        "\x2C" "The Procedure %Message has not been defined."
    "\x1F\x00\x05\x16" "Record was not updated"
        "\x4C" "An error (%ErrorText) was experienced when making changes to the %File file."
    "\x20\x00\x03\x11" "Key was not built"
        "\x2C" "Error: (%ErrorText) repairing key for %File."
    "\x21\x00\x05\x0B" "Invalid Key"
        "\x2F" "%File key file is invalid. Key must be rebuilt."
    "\x22\x00\x05\x0F" "Record not read"
        "\x4D" "A record held by another station was encountered reading from the %File file."
    "\x24\x00\x05\x22" "Referential Integrity Delete Error"
        "\x6A" "This record is referenced from the file %File. This record cannot be deleted "
        "while these references exist."
    "\x25\x00\x05\x22" "Referential Integrity Update Error"
        "\x88" "This record is referenced from the file %File. Linking field(s) have been "
        "restricted from change and have been reset to original values."
    "\x26\x00\x01\x14" "Auto Increment Error"
        "\x6D" "Attempts to automatically number this record have failed.|File: %File|Key: "
        "%Key|Error: %ErrorText.|Try Again?"
    "\x27\x00\x01\x13" "Record Delete Error"
        "\x55" "An error was experienced deleting this record. Do you want to try to delete it "
        "again?"
    "\x28\x00\x01\x13" "Record Update Error"
        "\x50" "An error was experienced changing this record. Do you want to try to save again?"
    "\x29\x00\x01\x0B" "Save Record"
        "\x2F" "Do you want to save the changes to this record?"
    "\x2A\x00\x01\x17" "Beginning of File Error"
        "\x65" "The beginning of the file %File was encountered. Do you want to start again from "
        "the end of the file?"
    "\x2B\x00\x01\x11" "End of File Error"
        "\x59" "The end of the file %File was encountered. Do you want to start again from the "
        "beginning?"
    "\x2C\x00\x05\x0F" "Invalid Request"
        "\x2B" "This form cannot be used to update a record"
    "\x2D\x00\x02\x10" "File Usage Error"
        "\x30" "Attempt to use file (%File) before it was opened"
    "\x2E\x00\x05\x0F" "View Open Error"
        "\x59" "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits "
        "ignored."
    "\x2F\x00\x05\x16" "Unsupported QBE Column"
        "\x51" "The saved QBE column, %Field is not supported. It will be dropped from the query."
    "\x30\x00\x05\x0A" "SMTP Error"
        "\x2C" "The following SMTP Error occurred: %Message "
    "\x31\x00\x05\x0A" "NNTP Error"
        "\x09" "%Message "
    "\x32\x00\x05\x0D" "Winsock Error"
        "\x09" "%Message "
    "\x33\x00\x03\x10" "WMF Parser Error"
        "\x2D" "Adding record to queue failed. Parsing %File."
    "\x34\x00\x03\x10" "WMF Parser Error"
        "\x27" "The File %File is not a valid WMF file."
    "\x35\x00\x03\x10" "WMF Parser Error"
        "\x2C" "Invalid %Field control found. Parsing %File."
    "\x36\x00\x03\x10" "WMF Parser Error"
        "\x25" "Cannot find %Field id. Parsing %File."
    "\x37\x00\x05\x13" "Report Writer Error"
        "\x3B" "Poorly Formed Comment String \"%Message\" at Position %Field."
    "\x38\x00\x05\x13" "Report Writer Error"
        "\x1A" "Unknown Property %Message."
    ;
// clang-format on

// Reads the block front to back; every read checks the bytes left first.
class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  bool empty() const { return in_.empty(); }
  bool U8(uint8_t* v) {
    if (in_.empty()) return false;
    *v = static_cast<uint8_t>(in_[0]);
    in_.remove_prefix(1);
    return true;
  }
  bool U16(uint16_t* v) {
    uint8_t lo, hi;
    if (!U8(&lo) || !U8(&hi)) return false;
    *v = static_cast<uint16_t>(lo | (hi << 8));
    return true;
  }
  // A length byte followed by that many bytes.
  bool Text(std::string* v) {
    uint8_t n;
    if (!U8(&n) || in_.size() < n) return false;
    v->assign(in_.substr(0, n));
    in_.remove_prefix(n);
    return true;
  }

 private:
  std::string_view in_;
};

}  // namespace

std::string_view PackedMessageTable() { return {kPacked, sizeof(kPacked) - 1}; }

Result<std::vector<MessageEntry>> UnpackMessageTable(std::string_view block) {
  Reader r(block);
  uint16_t count;
  if (!r.U16(&count)) return Status::Corruption("message table: no entry count");
  std::vector<MessageEntry> entries(count);
  for (MessageEntry& e : entries) {
    if (!r.U16(&e.id) || !r.U8(&e.severity) || !r.Text(&e.title) || !r.Text(&e.text))
      return Status::Corruption("message table: block ends inside an entry");
  }
  if (!r.empty()) return Status::Corruption("message table: bytes after the last entry");
  return entries;
}

}  // namespace eracuni
