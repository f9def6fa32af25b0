// What the commands share: the files the user names, the port to use, the
// report and trace outputs, the port, trace and conversation of one command, and
// what a write's outcome means.
#pragma once

#include <atomic>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "device/device_conversation.h"

namespace intercom::cli {

std::string Joined(const std::vector<std::string>& items, const char* separator);

// The text of a regular file of at most 1 MiB; nullopt, with the reason on
// err, for anything else.
std::optional<std::string> ReadInput(Environment& env, const std::string& path);

// The machine's serial ports (ListSerialPorts), or those of the stand-in sysfs
// folder a test names in env.sysfsTtyDir; nullopt, with "error: " and the
// reason on err, when they cannot be listed.
std::optional<std::vector<std::string>> MachinePorts(Environment& env);

// -p, else the first line of COM.ini in the working directory, else that of
// the window program's COM.ini (env.windowPortChoicePath), else the
// machine's only serial port. A COM.ini is only read, never created or
// written; a missing one, a dangling link among them, is passed over.
// nullopt, with the reason on err and exitCode set, when there is no port,
// several, or a COM.ini that cannot be read or names none.
std::optional<std::string> ResolvePort(Environment& env, const CommonOptions& options,
                                       int& exitCode);

// The backups of `choice`: its folder, else env.backupFolder. nullopt, with
// exitCode set and the reason on env.err, when `choice` is off or no folder
// is known (only the latter is an error).
std::optional<BackupStore> OpenBackups(Environment& env, const BackupChoice& choice, int& exitCode);

// A name of the port that stays when it is plugged in elsewhere: its by-id
// link, else its USB identifiers, else empty.
std::string PortId(const Environment& env, const std::string& path);

// The exit code of a write's outcome.
int ExitFor(WriteReport::Status status);
// "interrupted: answered, not read back: ...; not written: ..."
std::string InterruptedSummary(const WriteReport& report);

bool StopRequested(Environment& env);
// Pauses `ms` in short slices, returning early once a stop is requested.
void Wait(Environment& env, int ms);

// One stream that several threads write whole lines to: each Write() lands
// whole and is flushed. Either a stream of the program's (out, err) or a
// report or trace file named on the command line; once a write fails,
// Failed() stays true.
class SharedOutput {
 public:
  // Nothing to write to until Open().
  SharedOutput() = default;
  // `stream` must outlive this object.
  explicit SharedOutput(std::ostream& stream) : stream_(&stream) {}
  SharedOutput(const SharedOutput&) = delete;
  SharedOutput& operator=(const SharedOutput&) = delete;

  // Opens `path` for appending, creating it when missing. Only a regular file
  // is opened: a FIFO or a device could hold the open, or every write, for
  // ever. False, with the reason on err, otherwise.
  bool Open(std::ostream& err, const std::string& path);
  bool IsOpen() const { return stream_ != nullptr; }
  // The file's path; empty for a stream of the program's.
  const std::string& Path() const { return path_; }

  // Writes `text` (whole lines) and flushes; false once a write has failed.
  bool Write(const std::string& text);
  bool Failed() const { return failed_; }

 private:
  std::mutex mutex_;
  std::ofstream file_;
  std::ostream* stream_ = nullptr;
  std::string path_;
  std::atomic<bool> failed_ = false;
};

// A stream for one thread whose text goes to a SharedOutput a whole line at a
// time, each line after `prefix`. A line still open when the stream goes is
// ended then.
class LineStream : public std::ostream {
 public:
  LineStream(SharedOutput& output, std::string prefix);
  ~LineStream() override;

 private:
  class Lines : public std::streambuf {
   public:
    Lines(SharedOutput& output, std::string prefix) : output_(output), prefix_(std::move(prefix)) {}
    void End();

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;

   private:
    void PassWholeLines();
    SharedOutput& output_;
    std::string prefix_;
    std::string pending_;
  };
  Lines lines_;
};

// --trace PATH: `file` opened on PATH and `trace` pointing at it, or `trace`
// pointing at `errOutput` for "-", or null for an empty PATH. False, with the
// reason on err, when the file cannot be opened.
bool OpenTrace(std::ostream& err, const std::string& path, SharedOutput& file,
               SharedOutput& errOutput, SharedOutput*& trace);

// The port, the trace and the device conversation of one command. The outputs and
// the port are declared first so that they outlive the conversation using them.
// The conversation stops before its next request once the trace cannot be written.
class Run {
 private:
  Environment& env_;
  const CommonOptions* options_;
  SharedOutput errOutput_;
  SharedOutput traceFile_;
  SharedOutput* trace_ = nullptr;
  std::string tracePrefix_;
  std::optional<LineStream> traceLines_;
  std::unique_ptr<SerialPort> port_;
  bool traceFailureSaid_ = false;

 public:
  // A command on one port: the options' -p, else the default (ResolvePort),
  // and the trace the options name.
  Run(Environment& env, const CommonOptions& options)
      : env_(env), options_(&options), errOutput_(env.err) {}
  // One port of several: `port`, its trace lines after `tracePrefix` into
  // `trace` (null: none), which its owner opened and whose failure it reports.
  Run(Environment& env, std::string port, SharedOutput* trace, std::string tracePrefix)
      : env_(env),
        options_(nullptr),
        trace_(trace),
        tracePrefix_(std::move(tracePrefix)),
        portName(std::move(port)) {}

  // Opens the trace file, resolves and opens the port; false with exitCode set
  // (and the reason on err) when that fails.
  bool Start();
  // Discovery with its reads; None (exitCode set, reason on err) when nothing
  // answered, a read went unanswered or the trace could not be written.
  DeviceKind Discover();
  // The exit code of a stop, said on err: kExitUsage when the trace could not
  // be written, else that of an interruption.
  int Stopped();

  std::string portName;
  std::optional<DeviceConversation> conversation;
  int exitCode = kExitDone;

 private:
  bool TraceFailed() const { return trace_ != nullptr && trace_->Failed(); }
  bool SayTraceFailure();
};

}  // namespace intercom::cli
