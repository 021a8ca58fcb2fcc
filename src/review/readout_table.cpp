#include "review/readout_table.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "review/recording_model.h"

namespace review {

ReadoutTable::ReadoutTable(QWidget* parent)
    : QWidget(parent),
      summary_(new QLabel(this)),
      table_(new QTableWidget(0, kReadoutColumns, this)) {
  summary_->setObjectName(QStringLiteral("readout_summary"));
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  table_->setObjectName(QStringLiteral("readout"));
  table_->setAccessibleName(QStringLiteral("Cursor readings and statistics"));
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  // Rows as tall as their text, so a short window still shows most channels.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  for (int c = 0; c < kReadoutColumns; ++c)
    table_->setHorizontalHeaderItem(c, new QTableWidgetItem(ReadoutHeader(c)));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(summary_);
  layout->addWidget(table_);
}

void ReadoutTable::Show(const Readout& r, const RecordingModel& model, const Compared* compared,
                        const chart::TimeAxis& axis) {
  summary_->setText(ReadoutSummary(r, axis));
  table_->setRowCount(static_cast<int>(r.rows.size()));
  for (std::size_t row = 0; row < r.rows.size(); ++row) {
    const Readout::Row& line = r.rows[row];
    const RecordingModel& owner =
        line.run == Readout::Run::Compared && compared != nullptr ? *compared->model : model;
    for (int c = 0; c < kReadoutColumns; ++c) {
      const QString text = ReadoutCell(r, model, row, c, compared);
      QTableWidgetItem* item = table_->item(static_cast<int>(row), c);
      if (item == nullptr) {
        item = new QTableWidgetItem;
        table_->setItem(static_cast<int>(row), c, item);
      }
      if (item->text() != text) item->setText(text);
      if (c == 0) {
        item->setForeground(
            owner.series()[static_cast<std::size_t>(line.series)].color.darker(150));
      }
    }
  }
}

}  // namespace review
