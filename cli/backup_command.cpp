#include <algorithm>
#include <atomic>
#include <chrono>

#include "cli/command_run.h"
#include "cli/commands.h"
#include "cli/station_ports.h"
#include "serial/local_time.h"

namespace intercom::cli {
namespace {

// Saves each device met as a settings file and a line of the inventory.
class BackupService : public DeviceService {
 public:
  BackupService(Environment& env, BackupStore& store, SharedOutput& out)
      : env_(env), store_(store), out_(out) {}

  int Serve(const StationPort& port, DeviceConversation& conversation, const FoundDevice& found,
            std::ostream& err, bool /*waiting*/) override {
    const DeviceKind kind = found.kind;
    const BackupEntry entry{LocalRfc3339(found.began), port.name, port.portId,
                            conversation.Current()};
    try {
      const std::string file = store_.Save(entry, std::chrono::system_clock::now());
      store_.AddToInventory(entry, file);
      out_.Write("backup: " + file + "\n");
      err << "saved the " << env_.catalogue->KindName(kind) << " on " << port.name << "\n";
      return kExitDone;
    } catch (const BackupError& failure) {
      failed_ = true;
      err << "error: " << failure.what() << "\n";
      return kExitUsage;
    }
  }
  bool Done() const override { return false; }
  bool Failed() const override { return failed_; }

 private:
  Environment& env_;
  BackupStore& store_;
  SharedOutput& out_;
  std::atomic<bool> failed_ = false;
};

}  // namespace

int RunBackup(Environment& env, const CommonOptions& options, const StationChoice& station,
              const BackupChoice& backup) {
  int exitCode = kExitDone;
  auto store = OpenBackups(env, backup, exitCode);
  if (!store) return exitCode;
  SharedOutput out(env.out);
  SharedOutput err(env.err);
  SharedOutput traceFile;
  SharedOutput* trace = nullptr;
  if (!OpenTrace(env.err, options.traceFile, traceFile, err, trace)) return kExitUsage;

  BackupService service(env, *store, out);
  const StationOutcome outcome = ServeStation(env, options, station, service, err, trace);
  if (!outcome.served) return outcome.exitCode;
  if (trace != nullptr && trace->Failed()) {
    err.Write("error: " + (trace->Path().empty() ? std::string("the trace") : trace->Path()) +
              ": could not be written whole; stopped\n");
    return kExitUsage;
  }
  if (service.Failed()) return kExitUsage;
  if (!station.wait) return *std::max_element(outcome.codes.begin(), outcome.codes.end());
  // A station that backs up stops only when asked to.
  return outcome.stopped ? kExitInterrupted : kExitDone;
}

}  // namespace intercom::cli
