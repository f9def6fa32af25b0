#include "qt/measured_text.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>

namespace intercom {
namespace {

// Characters per run: long enough that a screenful is two or three runs, short
// enough that measuring the last one again on an append costs little.
constexpr int kRunLength = 128;

}  // namespace

void MeasuredText::Replace(int position, int removed, const QString& inserted) {
  const int oldSize = Size();
  text_.replace(position, removed, inserted);
  if (runs_.empty()) {
    MeasureFrom(0, 0, Size());
    return;
  }
  // From the start of the run holding the change's first character to the end
  // of the run holding its last one; later runs only move.
  const size_t first = RunAt(position);
  const size_t last = RunAt(std::min(position + removed, std::max(oldSize - 1, 0)));
  const int delta = static_cast<int>(inserted.size()) - removed;
  const std::vector<Run> after(runs_.begin() + static_cast<std::ptrdiff_t>(last + 1), runs_.end());
  MeasureFrom(first, runs_[first].begin, runs_[last].begin + runs_[last].length + delta);
  for (Run run : after) {
    run.begin += delta;
    run.x = runs_.back().x + runs_.back().width;
    runs_.push_back(run);
  }
}

void MeasuredText::SetFont(const QFont& font) {
  font_ = font;
  MeasureFrom(0, 0, Size());
}

void MeasuredText::MeasureFrom(size_t first, int from, int to) {
  runs_.resize(first);
  const QFontMetricsF metrics(font_);
  qreal x = runs_.empty() ? 0 : runs_.back().x + runs_.back().width;
  for (int begin = from; begin < to;) {
    int length = std::min(kRunLength, to - begin);
    // A surrogate pair stays in one run.
    if (begin + length < to && text_.at(begin + length).isLowSurrogate()) ++length;
    const qreal width = metrics.horizontalAdvance(text_.mid(begin, length));
    runs_.push_back({begin, length, x, width});
    x += width;
    begin += length;
  }
}

size_t MeasuredText::RunAt(int index) const {
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), index,
                                      [](int i, const Run& run) { return i < run.begin; });
  return after == runs_.begin() ? 0 : static_cast<size_t>(after - runs_.begin() - 1);
}

qreal MeasuredText::XOf(int index) const {
  if (runs_.empty()) return 0;
  const Run& run = runs_[RunAt(index)];
  const int within = std::clamp(index - run.begin, 0, run.length);
  if (within == 0) return run.x;
  if (within == run.length) return run.x + run.width;
  return run.x + QFontMetricsF(font_).horizontalAdvance(text_.mid(run.begin, within));
}

int MeasuredText::IndexAt(qreal x) const {
  if (runs_.empty() || x <= 0) return 0;
  if (x >= Width()) return Size();
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), x,
                                      [](qreal value, const Run& run) { return value < run.x; });
  const Run& run = *(after - 1);
  QTextLayout layout(RunText(run), font_);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  option.setFlags(QTextOption::IncludeTrailingSpaces);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();
  return run.begin + line.xToCursor(x - run.x);
}

std::vector<MeasuredText::Run> MeasuredText::RunsIn(qreal left, qreal right) const {
  std::vector<Run> shown;
  const auto start = std::upper_bound(runs_.begin(), runs_.end(), left,
                                      [](qreal value, const Run& run) { return value < run.x; });
  for (auto it = start == runs_.begin() ? start : start - 1; it != runs_.end(); ++it) {
    if (it->x >= right) break;
    shown.push_back(*it);
  }
  return shown;
}

}  // namespace intercom
