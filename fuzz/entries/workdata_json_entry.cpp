// Any bytes as the JSON form of the work data.
#include "framework/cp1250.h"
#include "fuzz/entries/fuzz_entries.h"
#include "workdata/json_mapping.h"

namespace eracuni::fuzz {

std::string FuzzWorkDataJson(std::string_view data) {
  auto records = workdata::WorkDataFromJson(data);
  if (!records.ok()) {
    const std::string& message = records.status().message();
    if (message.empty() || message.find('\n') != std::string::npos)
      return "a refusal is not one line";
    if (EscapeControls(message) != message)
      return "a refusal carries a control character or a byte that is not UTF-8";
    return "";
  }
  // Whatever was accepted comes back the same through the tool's own output.
  for (bool all : {false, true}) {
    std::string json = workdata::WorkDataToJson(*records, workdata::JsonOptions{all});
    auto again = workdata::WorkDataFromJson(json);
    if (!again.ok()) return "the tool's own output is refused: " + again.status().message();
    if (again->headers != records->headers || again->lines != records->lines ||
        again->attachments != records->attachments)
      return "records change on the way through JSON";
  }
  return "";
}

}  // namespace eracuni::fuzz
