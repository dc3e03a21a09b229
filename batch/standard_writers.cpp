// The real document writers: e-SLOG invoices and the bank envelope.
#include "batch/batch_run.h"
#include "eslog/invoice.h"

namespace eracuni::batch {

DocumentWriters StandardWriters() {
  return {eslog::IzdelajXMLRacun, envelope::IzdelajOvojnico, envelope::IzdelajOvojnicoZPlacilom};
}

}  // namespace eracuni::batch
