// A one-line text of any length, measured in a font in short runs of
// characters, each once, when it arrives. Positions, hit-tests and the runs in
// a stretch of pixels then cost the same however long the text is, and a
// change measures only the runs it touches.
#pragma once

#include <QFont>
#include <QString>
#include <vector>

namespace intercom {

class MeasuredText {
 public:
  // One run of the text, measured as one piece: characters [begin, begin +
  // length), drawn from `x` pixels after the text's start, `width` wide.
  struct Run {
    int begin;
    int length;
    qreal x;
    qreal width;
  };

  explicit MeasuredText(const QFont& font) : font_(font) {}

  const QString& Text() const { return text_; }
  int Size() const { return static_cast<int>(text_.size()); }
  // The whole text's width in pixels.
  qreal Width() const { return runs_.empty() ? 0 : runs_.back().x + runs_.back().width; }

  // Replaces `removed` characters at `position` (both within the text) with `inserted`.
  void Replace(int position, int removed, const QString& inserted);
  // Measures the whole text again in `font`.
  void SetFont(const QFont& font);

  // Pixels from the text's start to the caret before character `index`.
  qreal XOf(int index) const;
  // The caret position nearest to `x` pixels from the text's start.
  int IndexAt(qreal x) const;
  // The runs that reach into [left, right), pixels from the text's start.
  std::vector<Run> RunsIn(qreal left, qreal right) const;
  QString RunText(const Run& run) const { return text_.mid(run.begin, run.length); }

 private:
  void MeasureFrom(size_t first, int from, int to);
  // The run holding character `index` (the last run for the text's end).
  size_t RunAt(int index) const;

  QFont font_;
  QString text_;
  std::vector<Run> runs_;
};

}  // namespace intercom
