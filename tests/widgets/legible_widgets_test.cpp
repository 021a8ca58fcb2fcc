// The pieces that keep texts readable: the contrast measure, the layout that puts a column below
// rather than beside, and the gauge whose numbers never share a place. (A bit name shrinking into
// its column: the layout test, every register at every size.)
#include <gtest/gtest.h>

#include <QLabel>
#include <QWidget>

#include "support/qstring_printer.h"
#include "widgets/contrast.h"
#include "widgets/linear_gauge.h"
#include "widgets/side_by_side_layout.h"

namespace {

// Values as the guidelines' own examples and common checkers give them.
// (The backdrop a label colour gets: the Visual Display tab's label states, measured as drawn.)
TEST(Contrast, RatiosOfTheLabelColours) {
  const QRgb white = qRgb(255, 255, 255);
  const struct {
    QRgb a, b;
    double ratio;
  } ratios[] = {{qRgb(0, 0, 0), white, 21.0},
                {white, white, 1.0},
                {qRgb(255, 255, 0), white, 1.07},  // yellow: chosen under the mouse
                {qRgb(0, 128, 0), qRgb(0, 0, 0), 4.09},
                {qRgb(0x77, 0x77, 0x77), white, 4.48}};  // just short of 4.5:1
  for (const auto& r : ratios) {
    EXPECT_NEAR(widgets::ContrastRatio(r.a, r.b), r.ratio, 0.01) << std::hex << r.a << " " << r.b;
    EXPECT_NEAR(widgets::ContrastRatio(r.b, r.a), r.ratio, 0.01);
  }
}

// A list and its inspector side by side while both fit; on a narrower page the inspector goes
// on top and the list takes what is left: never wider than the wider of the two needs.
TEST(SideBySideLayout, PutsTheInspectorAboveRatherThanGoWider) {
  QWidget page;
  auto* layout = new widgets::SideBySideLayout(&page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(10);
  auto* list = new QLabel(&page);
  list->setFixedWidth(300);
  list->setMinimumHeight(80);
  auto* inspector = new QLabel(&page);
  inspector->setMinimumSize(100, 50);
  layout->addWidget(list);
  layout->addWidget(inspector);
  EXPECT_EQ(layout->minimumSize(), QSize(300, 80));
  EXPECT_TRUE(layout->SideBySideAt(410));
  EXPECT_FALSE(layout->SideBySideAt(409));
  EXPECT_EQ(layout->heightForWidth(500), 80);
  const int inspector_height = layout->itemAt(1)->sizeHint().height();
  EXPECT_EQ(layout->heightForWidth(350), inspector_height + 10 + 80);

  layout->setGeometry(QRect(0, 0, 500, 300));
  EXPECT_EQ(inspector->geometry().topLeft(), QPoint(310, 0));
  EXPECT_EQ(list->geometry(), QRect(0, 0, 300, 300));
  layout->setGeometry(QRect(0, 0, 350, 400));
  EXPECT_EQ(inspector->geometry().topLeft(), QPoint(0, 0));
  EXPECT_EQ(inspector->geometry().width(), 350);
  EXPECT_EQ(list->geometry().top(), inspector->geometry().bottom() + 1 + 10);
  EXPECT_EQ(list->geometry().bottom(), 399);
}

// Limits at the very ends of the scale: their values, the scale's ends and the caption each have
// a place of their own.
TEST(LinearGaugeTexts, NoTwoNumbersShareAPlace) {
  widgets::LinearGauge gauge;
  gauge.resize(420, gauge.sizeHint().height());
  gauge.SetScaleMin(0);
  gauge.SetScaleMax(15.938);
  gauge.SetCaption(QStringLiteral("12.062V"));
  for (const auto& [low, high] : {std::pair{0.125, 15.938}, std::pair{0.0, 0.062},
                                  std::pair{15.8, 15.938}, std::pair{6.0, 7.0}}) {
    gauge.SetPointerValue(2, low);
    gauge.SetDecimals(2, 3);
    gauge.SetPointerValue(3, high);
    gauge.SetDecimals(3, 3);
    const auto texts = gauge.Texts();
    ASSERT_EQ(texts.size(), 5U);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      EXPECT_TRUE(gauge.rect().contains(texts[i].second)) << texts[i].first.toStdString();
      for (std::size_t j = i + 1; j < texts.size(); ++j) {
        // Nor one right above the other (the caption apart): a stacked number reads as one.
        const int apart = i > 0 ? 3 : 0;
        EXPECT_FALSE(texts[i].second.adjusted(0, -apart, 0, apart).intersects(texts[j].second))
            << texts[i].first.toStdString() << " and " << texts[j].first.toStdString() << " at "
            << low << ", " << high;
      }
    }
  }
}

}  // namespace
