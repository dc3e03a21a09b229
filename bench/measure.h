// Measure: the figures of one data set, each beside what the machine needs for the same
// bytes anyway.
//
// Reading walks every header and its lines in key order through the work files, as the
// writers do; its baseline reads the same files' bytes with plain read() calls. The run is
// the whole BatchRun (opening pre-scan, every invoice document, the envelope, the package's
// command) with a program runner that only counts, so no outside program starts; its baseline
// writes files of the same sizes with buffered stdio into the same folder (as they are, with
// an fsync per file, and followed by one sync of the file system). Timings are the
// best of `repeats` passes in this process, each pass a run followed by its baselines (the
// fsync per file only in the first); the caller picks the data set and owns its folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bench/workload.h"
#include "framework/status.h"

namespace eracuni::bench {

struct ReadFigures {
  uint64_t headers = 0, lines = 0;
  uint64_t record_bytes = 0;  // decompressed record data handed to the walks
  uint64_t file_bytes = 0;    // size of the header and line files on disk
  double open_seconds = 0;    // opening the work files (with their index check)
  double walk_seconds = 0;    // the walks after the open
  double plain_seconds = 0;   // read() of the same files
};

struct RunFigures {
  uint64_t invoices = 0;       // documents written
  uint64_t xml_files = 0;      // invoice documents and envelope
  uint64_t xml_bytes = 0;
  uint64_t messages = 0;       // any message shown means the data set is not sound
  uint64_t program_runs = 0;   // recorded, not started
  double seconds = 0;
  double cpu_seconds = 0;      // user and system time of the run
  double plain_seconds = 0;    // the same file sizes written with fwrite
  double plain_cpu_seconds = 0;
  double synced_seconds = 0;   // the same, each file flushed to disk before the next
  double synced_once_seconds = 0;  // the same, then one sync of the file system
  // Of `seconds` and `synced_once_seconds`: the time spent waiting for a processor, which a
  // machine shared with others adds to work that needs the processor.
  double queue_seconds = 0;
  double synced_once_queue_seconds = 0;
};

struct WriterFigures {
  uint64_t lines = 0;
  uint64_t xml_bytes = 0;
  double seconds = 0;
};

Result<ReadFigures> MeasureReading(const DataSet& set, int repeats);
// With `keep_plain` the baselines' files stay in the output folder for RemovePlainFiles.
// Without `fsync_each` the baseline with an fsync per file is left out (its figure is 0).
Result<RunFigures> MeasureRun(const DataSet& set, int repeats, bool keep_plain = false,
                              bool fsync_each = true);
// The whole run alone, once, without the baselines: what to give `perf`.
Result<RunFigures> MeasureRunAlone(const DataSet& set);
// Removes the baselines' files MeasureRun kept in the data set's output folder.
Status RemovePlainFiles(const DataSet& set);
// IzdelajXMLRacun alone, on the first header of the data set.
Result<WriterFigures> MeasureInvoiceWriter(const DataSet& set);

// Seconds to read the files whole with read() into one reused buffer.
Result<double> PlainReadSeconds(const std::vector<std::string>& paths);
struct Timing {
  double seconds = 0;
  double cpu_seconds = 0;
  double queue_seconds = 0;  // waiting for a processor (0 where the kernel does not tell)
};

// How a plain write reaches the disk: not waited for, an fsync before each fclose, or one
// syncfs of the folder's file system after the last file (what the run's documents get).
enum class Durability { kNone, kEachFile, kOnceAtEnd };

// Writes files of `sizes` bytes into `folder` with fopen/fwrite/fclose; removed afterwards,
// or (with `kept`) left in place, numbered on from `*kept`, which counts them.
//
// On ext4 without a journal (this machine's disk) a new file skips every inode of its
// group deleted in the last minutes, one lookup each: files created after thousands were
// removed cost several times more. So nothing is removed between the timed sides: each
// side creates its files as the run does, after nothing was deleted.
Result<Timing> PlainWrite(const std::string& folder, const std::vector<uint64_t>& sizes,
                          Durability durability, size_t* kept = nullptr);

// The process's peak resident memory (VmHWM) in bytes; 0 when unknown.
uint64_t PeakResidentBytes();

}  // namespace eracuni::bench
