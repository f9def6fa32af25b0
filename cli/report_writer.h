// The report file of `apply`: one record per plan row, each on disk before
// the next row starts, so that a run cut short (a power cut, a kill) leaves a
// report that --resume can read back.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/report_record.h"

namespace intercom::cli {

// The largest report file read back.
inline constexpr size_t kReportReadLimit = 64 * 1024 * 1024;

// Several port threads may call Add at once.
class ReportWriter {
 public:
  ReportWriter() = default;
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Creates the report at `path`, its header written and on disk, or takes up
  // an existing one (an empty file counts as missing) of this format and this
  // plan's hash, keeping its records; a CSV or JSON Lines record cut short at
  // the end is cut off. False, with a one-line "error: PATH: ..." on err, for a
  // path that is not a regular file (a FIFO, a device: nothing is opened), a
  // file that cannot be created, read or written, one larger than
  // kReportReadLimit, one that is not a report of this format ("its first line
  // is not ...") and the report of another plan. Call once.
  bool Open(std::ostream& err, const std::string& path, ReportFormat format,
            const ReportHeader& header);

  // Writes the record and has the system put it on disk (fsync) before
  // returning. JUnit XML cannot be appended to: each record replaces the whole
  // document atomically, so the file on disk is whole after every record. False
  // when that failed, and from then on; Failed() then stays true.
  bool Add(const ReportRecord& record);
  bool Failed() const;
  const std::string& Path() const { return path_; }

 private:
  bool Create(std::ostream& err);
  bool Append(std::ostream& err, const std::string& text, const ReportHeader& header);

  mutable std::mutex mutex_;
  std::string path_;
  ReportFormat format_ = ReportFormat::Csv;
  ReportHeader header_;
  std::vector<ReportRecord> records_;  // JUnit: the whole document's records
  bool open_ = false;
  bool failed_ = false;
};

// A report file for --resume: all of its records, as written. A CSV or JSON
// Lines record cut short at the end of the file is left out. nullopt, with a
// one-line "error: PATH: ..." on err, for a missing file or one that is not a
// regular file, is larger than kReportReadLimit or is not a report of this format.
std::optional<ReportContents> ReadReport(std::ostream& err, const std::string& path,
                                         ReportFormat format);

}  // namespace intercom::cli
