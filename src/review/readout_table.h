#pragma once

#include <QWidget>

#include "chart/time_axis.h"
#include "review/readout.h"

class QLabel;
class QTableWidget;

namespace review {

class RecordingModel;

// The readout under the charts: a line that says where A and B stand and over what the
// statistics go, and a table of each channel's readings and statistics (with a compared
// recording's rows and their difference).
class ReadoutTable : public QWidget {
  Q_OBJECT

 public:
  explicit ReadoutTable(QWidget* parent = nullptr);
  void Show(const Readout& readout, const RecordingModel& model, const Compared* compared,
            const chart::TimeAxis& axis);

 private:
  QLabel* summary_;
  QTableWidget* table_;
};

}  // namespace review
