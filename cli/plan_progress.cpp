#include "cli/plan_progress.h"

#include <algorithm>

namespace intercom::cli {

PlanProgress::PlanProgress(std::vector<PlanRow> rows)
    : rows_(std::move(rows)), taken_(rows_.size()) {}

bool PlanProgress::HasKind(DeviceKind kind) const {
  return std::any_of(rows_.begin(), rows_.end(),
                     [kind](const PlanRow& row) { return row.settings.kind == kind; });
}

void PlanProgress::Settle(size_t index) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (taken_[index]) return;
  taken_[index] = true;
  ++takenCount_;
}

std::optional<size_t> PlanProgress::Take(DeviceKind kind,
                                         const std::function<bool(const DeviceSettings&)>& holds) {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::optional<size_t> first;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (taken_[i] || rows_[i].settings.kind != kind) continue;
    if (holds(rows_[i].settings)) {
      first = i;
      break;
    }
    if (!first) first = i;
  }
  if (first) {
    taken_[*first] = true;
    ++takenCount_;
  }
  return first;
}

bool PlanProgress::AllTaken() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return takenCount_ == rows_.size();
}

size_t PlanProgress::Reported() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return ++reported_;
}

std::vector<std::string> PlanProgress::LabelsLeft() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> left;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (!taken_[i]) left.push_back(rows_[i].label);
  }
  return left;
}

}  // namespace intercom::cli
