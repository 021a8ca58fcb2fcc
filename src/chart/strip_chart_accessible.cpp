#include "chart/strip_chart_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "chart/plot_view.h"

namespace chart {

namespace {

class StripChartAccessible : public QAccessibleWidget {
 public:
  explicit StripChartAccessible(PlotView* chart)
      : QAccessibleWidget(chart, QAccessible::Chart), chart_(chart) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) {
      if (!chart_->accessibleName().isEmpty()) return chart_->accessibleName();
      const QString title = chart_->AccessibleTitle();
      return title.isEmpty() ? QStringLiteral("strip chart") : title;
    }
    if (t == QAccessible::Description) {
      const QString own = QAccessibleWidget::text(t);
      const QString traces = chart_->TracesDescription();
      return own.isEmpty() ? traces : own + QStringLiteral("; ") + traces;
    }
    return QAccessibleWidget::text(t);
  }

 private:
  PlotView* chart_;
};

QAccessibleInterface* Factory(const QString& class_name, QObject* object) {
  if (object == nullptr || !object->isWidgetType()) return nullptr;
  // Asked for each class from the most derived up: every kind of plot answers here.
  if (class_name == QLatin1String(PlotView::staticMetaObject.className())) {
    return new StripChartAccessible(static_cast<PlotView*>(object));
  }
  return nullptr;
}

}  // namespace

void InstallStripChartAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)installed;
}

}  // namespace chart
