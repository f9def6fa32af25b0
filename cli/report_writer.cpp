#include "cli/report_writer.h"

#include <filesystem>
#include <system_error>

#include "cli/report_formats.h"
#include "cli/report_junit.h"
#include "serial/guarded_file.h"

namespace intercom::cli {
namespace {

namespace fs = std::filesystem;

std::string SystemMessage(int error) {
  return std::system_category().message(error);
}

// The text of the file at `path`; empty with `missing` set when there is none.
// nullopt with `reason` when it cannot be read.
std::optional<std::string> ReadExisting(const std::string& path, bool& missing,
                                        std::string& reason) {
  // Looking first keeps a FIFO or a device from being opened at all.
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  missing = !fs::exists(status);
  if (missing) return std::string();
  if (!fs::is_regular_file(status)) {
    reason = "not a regular file";
    return std::nullopt;
  }
  const uintmax_t size = fs::file_size(path, error);
  const size_t limit =
      error || size > kReportReadLimit ? kReportReadLimit : static_cast<size_t>(size);
  std::string content;
  // One byte more tells a file larger than the limit.
  const int readError = ReadSettingsFile(path, limit + 1, content);
  if (readError == kFileMissing) {
    missing = true;
    return std::string();
  }
  if (readError != 0) {
    reason = "cannot be read: " + SystemMessage(readError);
    return std::nullopt;
  }
  if (content.size() > kReportReadLimit) {
    reason = "larger than " + std::to_string(kReportReadLimit / 1024 / 1024) + " MiB";
    return std::nullopt;
  }
  return content;
}

std::string Shortened(const std::string& hash) {
  return hash.substr(0, 12) + "...";
}

}  // namespace

bool ReportWriter::Open(std::ostream& err, const std::string& path, ReportFormat format,
                        const ReportHeader& header) {
  const std::lock_guard<std::mutex> lock(mutex_);
  path_ = path;
  format_ = format;
  header_ = header;
  bool missing = false;
  std::string reason;
  const std::optional<std::string> content = ReadExisting(path, missing, reason);
  if (!content) {
    err << "error: " << path << ": " << reason << "\n";
    return false;
  }
  open_ = content->empty() ? Create(err) : Append(err, *content, header);
  return open_;
}

bool ReportWriter::Create(std::ostream& err) {
  const int error = format_ == ReportFormat::Junit
                        ? ReplaceSettingsFile(path_, JunitDocument(header_, {}))
                        : AppendToFile(path_, ReportStartText(format_, header_));
  if (error != 0)
    err << "error: " << path_ << ": cannot be written: " << SystemMessage(error) << "\n";
  return error == 0;
}

bool ReportWriter::Append(std::ostream& err, const std::string& text, const ReportHeader& header) {
  std::string reason;
  size_t whole = 0;
  std::optional<ReportContents> contents = ParseReport(format_, text, reason, &whole);
  if (!contents) {
    err << "error: " << path_ << ": " << reason << "; name a new report file\n";
    return false;
  }
  if (contents->header.planHash != header.planHash) {
    err << "error: " << path_ << ": holds the report of another plan (sha256 "
        << Shortened(contents->header.planHash) << ", this plan is " << Shortened(header.planHash)
        << "); name a new report file\n";
    return false;
  }
  // The file's own header stays, with the plan's name as it was first given.
  header_ = contents->header;
  if (format_ == ReportFormat::Junit) {
    records_ = std::move(contents->records);
    return true;
  }
  if (whole < text.size()) {
    // The next record would otherwise continue a line a cut-off write began.
    std::error_code error;
    fs::resize_file(path_, whole, error);
    if (error) {
      err << "error: " << path_
          << ": its unfinished last line cannot be cut off: " << error.message() << "\n";
      return false;
    }
  }
  return true;
}

bool ReportWriter::Add(const ReportRecord& record) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!open_ || failed_) return false;
  if (format_ == ReportFormat::Junit) {
    records_.push_back(record);
    failed_ = ReplaceSettingsFile(path_, JunitDocument(header_, records_)) != 0;
  } else {
    failed_ = AppendToFile(path_, ReportLineText(format_, record) + "\n") != 0;
  }
  return !failed_;
}

bool ReportWriter::Failed() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return failed_;
}

std::optional<ReportContents> ReadReport(std::ostream& err, const std::string& path,
                                         ReportFormat format) {
  bool missing = false;
  std::string reason;
  const std::optional<std::string> content = ReadExisting(path, missing, reason);
  if (content && missing) {
    reason = "no such file";
  } else if (content) {
    if (std::optional<ReportContents> contents = ParseReport(format, *content, reason)) {
      return contents;
    }
  }
  err << "error: " << path << ": " << reason << "\n";
  return std::nullopt;
}

}  // namespace intercom::cli
