// The rows of a plan during one apply: which rows the ports of the run have
// taken, which an earlier run finished, and how many are reported. Every
// call may come from any port's thread.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/plan.h"

namespace intercom::cli {

class PlanProgress {
 public:
  explicit PlanProgress(std::vector<PlanRow> rows);

  const PlanRow& Row(size_t index) const { return rows_[index]; }
  size_t Size() const { return rows_.size(); }
  bool HasKind(DeviceKind kind) const;

  // A row an earlier run finished (or one this run must leave alone): never
  // taken, and not among the rows left.
  void Settle(size_t index);
  // The row of `kind` a device takes, now the caller's: the first row not
  // taken that `holds` says the device already holds in full, else the first
  // row of its kind not taken. Two devices of one kind keep the rows they
  // already match instead of trading them. `holds` runs under the lock.
  std::optional<size_t> Take(DeviceKind kind,
                             const std::function<bool(const DeviceSettings&)>& holds);
  // True when no row is left to take.
  bool AllTaken() const;
  // Counts one row reported; the rows reported so far.
  size_t Reported();
  // The rows neither taken nor settled, by label.
  std::vector<std::string> LabelsLeft() const;

 private:
  mutable std::mutex mutex_;
  const std::vector<PlanRow> rows_;
  std::vector<bool> taken_;
  size_t takenCount_ = 0;
  size_t reported_ = 0;
};

}  // namespace intercom::cli
