// eracuni-bench-data: writes a benchmark data set.
//
//   eracuni-bench-data FOLDER INVOICES [LINES_PER_INVOICE]
//
// FOLDER gets work/ (the three work files), priloge/ (the PDF attachments) and an empty
// izhod/ (the output folder the run writes into).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/workload.h"

int main(int argc, char** argv) {
  using namespace eracuni;
  if (argc < 3 || argc > 4) {
    std::fputs("usage: eracuni-bench-data FOLDER INVOICES [LINES_PER_INVOICE]\n", stderr);
    return 2;
  }
  bench::DataSet set{argv[1]};
  if (set.root.back() != '/') set.root += '/';
  bench::Shape shape;
  shape.invoices = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
  if (argc == 4) shape.lines_per_invoice = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
  if (shape.invoices == 0) {
    std::fputs("eracuni-bench-data: INVOICES must be a positive number\n", stderr);
    return 2;
  }
  Status s = bench::Generate(PosixFileSystem(), set, shape);
  if (!s.ok()) {
    std::fprintf(stderr, "eracuni-bench-data: %s\n", s.ToString().c_str());
    return 1;
  }
  return 0;
}
