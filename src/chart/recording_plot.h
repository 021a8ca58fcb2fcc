#pragma once

#include <QColor>
#include <cstdint>
#include <optional>
#include <vector>

#include "chart/plot_view.h"
#include "chart/series_store.h"

namespace chart {

// A plot of recorded series over a span of time it is given, with limit lines, shaded spans and
// cursors A and B: a pane of the review. It draws stores it does not own (each must outlive the
// plot or the next SetLayers); a second layer is another recording drawn over the first.
class RecordingPlot : public PlotView {
  Q_OBJECT

 public:
  // Series of a store, drawn shifted by shift nanoseconds (the plot's time = the store's + shift).
  struct Layer {
    const SeriesStore* store = nullptr;
    std::vector<TraceStyle> traces;
    std::int64_t shift = 0;
  };
  struct LevelLine {  // a value that holds over [start, end]: a limit
    std::int64_t start;
    std::int64_t end;
    double value;
    QColor color;
  };
  struct Shade {  // a time span shaded across the plot: an alarm
    std::int64_t start;
    std::int64_t end;
    QColor color;
  };

  explicit RecordingPlot(QWidget* parent = nullptr);

  void SetLayers(std::vector<Layer> layers);
  const std::vector<Layer>& Layers() const { return layers_; }
  // The span shown, [start, end] in the plot's time.
  void SetTimeSpan(std::int64_t start, std::int64_t end);
  void SetLevelLines(std::vector<LevelLine> lines);
  void SetShades(std::vector<Shade> shades);
  // Cursor lines A and B (none: not shown).
  void SetCursors(std::optional<std::int64_t> a, std::optional<std::int64_t> b);

  // "traces: +12V, +5V": the traces' names.
  QString TracesDescription() const override;

 protected:
  std::pair<std::int64_t, std::int64_t> Span() const override { return {start_, end_}; }
  TracePainter::Rows PaintTraces(QImage& image, const QRegion& clip,
                                 const TracePainter::Frame& frame) override;
  bool HasUnderTraces() const override { return !lines_.empty() || !shades_.empty(); }
  void PaintUnderTraces(QPainter& painter, const QRect& plot, std::int64_t left,
                        std::int64_t right) override;
  void PaintOver(QPainter& painter, const QRect& plot, const QRegion& region) override;

 private:
  std::vector<Layer> layers_;
  std::vector<TracePainter> painters_;  // one per layer
  std::int64_t start_ = 0;
  std::int64_t end_ = 1;
  std::vector<LevelLine> lines_;
  std::vector<Shade> shades_;
  std::optional<std::int64_t> cursor_a_;
  std::optional<std::int64_t> cursor_b_;
};

}  // namespace chart
