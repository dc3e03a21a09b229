#include "eslog20/build.h"

namespace eracuni::eslog20 {

BuildResult BuildInvoice(const settings::Settings& settings, workdata::WorkFiles& files) {
  (void)settings;
  (void)files;
  return {};
}

BuildResult BuildInvoice(const settings::Settings& settings, const workdata::RecordBuffer& header,
                         std::span<const workdata::RecordBuffer> lines) {
  (void)settings;
  (void)header;
  (void)lines;
  return {};
}

std::string RefusalMessageText(const workdata::RecordBuffer& header,
                               const std::vector<Refusal>& refusals) {
  (void)header;
  (void)refusals;
  return {};
}

}  // namespace eracuni::eslog20
