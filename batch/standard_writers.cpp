// The real document writers: e-SLOG invoices and the bank envelope.
#include "batch/batch_run.h"
#include "eslog/invoice.h"
#include "eslog20/document.h"

namespace eracuni::batch {

DocumentWriters StandardWriters() {
  return {eslog::IzdelajXMLRacun, eslog20::IzdelajXMLRacun20, envelope::IzdelajOvojnico,
          envelope::IzdelajOvojnicoZPlacilom, /*pure=*/true};
}

}  // namespace eracuni::batch
