#include "app/layout_check.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTextDocument>
#include <QWidget>
#include <vector>

#include "widgets/clickable_label.h"
#include "widgets/linear_gauge.h"

QString SizeText(const QSize& size) {
  return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

namespace {

struct PlacedText {
  QString owner;
  QString text;
  QRect rect;  // in window coordinates, cut to what the widget shows of itself
};

QString Describe(const QWidget* w) {
  QString name = w->objectName();
  for (const QWidget* p = w->parentWidget(); name.isEmpty() && p != nullptr;
       p = p->parentWidget()) {
    if (!p->objectName().isEmpty()) name = QStringLiteral("(in %1)").arg(p->objectName());
  }
  return QStringLiteral("%1 %2").arg(QLatin1String(w->metaObject()->className()), name);
}

QString WithoutMnemonic(QString text) {
  static const QRegularExpression kMnemonic(QStringLiteral("&(?!&)"));
  return text.remove(kMnemonic).replace(QStringLiteral("&&"), QStringLiteral("&"));
}

// What of w can be seen: its rectangle cut by every ancestor up to the window.
QRect VisiblePart(const QWidget* w, const QWidget* window) {
  QRect seen(w->mapTo(window, QPoint(0, 0)), w->size());
  for (const QWidget* p = w->parentWidget(); p != nullptr && p != window; p = p->parentWidget()) {
    seen &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
  }
  return seen;
}

struct Checker {
  QWidget* window;
  QString where;
  QStringList problems;
  std::vector<PlacedText> placed;

  void Problem(const QWidget* w, const QString& what) {
    problems << QStringLiteral("%1: %2: %3").arg(where, Describe(w), what);
  }

  // text drawn in `room` (widget coordinates) at `drawn`: it must lie within room.
  void Place(const QWidget* w, const QString& text, const QRect& room, const QRect& drawn) {
    if (text.trimmed().isEmpty()) return;
    if (!room.contains(drawn)) {
      Problem(w, QStringLiteral("\"%1\" needs %2 but has %3")
                     .arg(text.simplified(), SizeText(drawn.size()), SizeText(room.size())));
    }
    const QRect in_window =
        QRect(w->mapTo(window, drawn.topLeft()), drawn.size()) & VisiblePart(w, window);
    if (!in_window.isEmpty()) placed.push_back({Describe(w), text.simplified(), in_window});
  }

  void Label(const QLabel* l) {
    if (l->text().isEmpty() || l->textFormat() == Qt::RichText ||
        (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(l->text()))) {
      return;
    }
    const QString text = l->buddy() != nullptr ? WithoutMnemonic(l->text()) : l->text();
    const int m = l->margin();
    const QRect room = l->contentsRect().adjusted(m, m, -m, -m);
    const QFontMetrics fm = l->fontMetrics();
    if (const auto* clickable = qobject_cast<const widgets::ClickableLabel*>(l)) {
      Place(l, text, room, clickable->TextRect());
      return;
    }
    int flags = static_cast<int>(QStyle::visualAlignment(l->layoutDirection(), l->alignment()));
    if (l->wordWrap()) {
      flags |= Qt::TextWordWrap;
      static const QRegularExpression kBlanks(QStringLiteral("\\s+"));
      for (const QString& word : text.split(kBlanks, Qt::SkipEmptyParts)) {
        if (fm.horizontalAdvance(word) > room.width()) {
          Problem(l, QStringLiteral("the word \"%1\" is wider (%2) than its room (%3)")
                         .arg(word)
                         .arg(fm.horizontalAdvance(word))
                         .arg(room.width()));
        }
      }
    }
    QRect drawn = fm.boundingRect(room, flags, text);
    // The bounding box may reach a pixel beyond the advance for a glyph's overhang.
    Place(l, text, room.adjusted(-1, 0, 1, 0), drawn);
  }

  void Button(QAbstractButton* b) {
    const QString text = WithoutMnemonic(b->text()).section(QLatin1Char('\t'), 0, 0);
    if (text.isEmpty()) return;
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    const bool check = qobject_cast<QCheckBox*>(b) != nullptr;
    const QRect room = b->style()->subElementRect(
        check ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &option, b);
    const QFontMetrics fm = b->fontMetrics();
    const int flags = check ? static_cast<int>(Qt::AlignLeft) | static_cast<int>(Qt::AlignVCenter)
                            : static_cast<int>(Qt::AlignCenter);
    Place(b, text, room.adjusted(-1, 0, 1, 0), fm.boundingRect(room, flags, text));
  }

  void GroupTitle(QGroupBox* g) {
    if (g->title().isEmpty()) return;
    QStyleOptionGroupBox option;
    option.initFrom(g);
    option.text = g->title();
    option.lineWidth = 1;
    option.midLineWidth = 0;
    option.textAlignment = g->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect room =
        g->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, g);
    const QString text = WithoutMnemonic(g->title());
    Place(g, text, room.adjusted(-1, 0, 1, 0),
          g->fontMetrics().boundingRect(room, Qt::AlignLeft | Qt::AlignVCenter, text));
  }

  void Tabs(QTabBar* bar) {
    const int pad = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar) / 2;
    for (int i = 0; i < bar->count(); ++i) {
      const QRect room = bar->tabRect(i).adjusted(pad, 0, -pad, 0);
      const QString text = WithoutMnemonic(bar->tabText(i));
      Place(bar, text, room.adjusted(-1, 0, 1, 0),
            bar->fontMetrics().boundingRect(room, Qt::AlignCenter, text));
    }
  }

  void Edit(QLineEdit* e) {
    if (e->text().isEmpty() || e->echoMode() != QLineEdit::Normal) return;
    QStyleOptionFrame option;
    option.initFrom(e);
    option.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const QRect room = e->style()->subElementRect(QStyle::SE_LineEditContents, &option, e);
    const int flags = static_cast<int>((e->alignment() | Qt::AlignVCenter).toInt());
    // A line edit keeps a couple of pixels between its frame and its text.
    Place(e, e->text(), room.adjusted(1, 0, -1, 0),
          e->fontMetrics().boundingRect(room.adjusted(2, 0, -2, 0), flags, e->text()));
  }

  void Menus(QMenuBar* bar) {
    for (QAction* action : bar->actions()) {
      const QString text = WithoutMnemonic(action->text());
      const QRect item = bar->actionGeometry(action);
      Place(bar, text, item, bar->fontMetrics().boundingRect(item, Qt::AlignCenter, text));
    }
  }

  void Gauge(const widgets::LinearGauge* g) {
    for (const auto& [text, rect] : g->Texts()) Place(g, text, g->rect(), rect);
  }

  void Overlaps() {
    for (std::size_t i = 0; i < placed.size(); ++i) {
      for (std::size_t j = i + 1; j < placed.size(); ++j) {
        const QRect both = placed[i].rect & placed[j].rect;
        if (both.isEmpty()) continue;
        problems << QStringLiteral("%1: \"%2\" (%3) and \"%4\" (%5) overlap by %6")
                        .arg(where, placed[i].text, placed[i].owner, placed[j].text,
                             placed[j].owner, SizeText(both.size()));
      }
    }
  }
};

bool Shown(const QWidget* w, const QWidget* window) {
  return w->isVisibleTo(window) && !VisiblePart(w, window).isEmpty();
}

}  // namespace

QStringList TextProblems(QWidget* window, const QString& where) {
  Checker c{window, where, {}, {}};
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!Shown(w, window) || w->window() != window) continue;
    if (auto* label = qobject_cast<QLabel*>(w)) {
      c.Label(label);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      c.Button(button);
    } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
      c.Tabs(tabs);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      c.Edit(edit);
    } else if (auto* menus = qobject_cast<QMenuBar*>(w)) {
      c.Menus(menus);
    } else if (auto* gauge = qobject_cast<widgets::LinearGauge*>(w)) {
      c.Gauge(gauge);
    }
    if (auto* group = qobject_cast<QGroupBox*>(w)) c.GroupTitle(group);
  }
  c.Overlaps();
  return c.problems;
}

QStringList ScrollProblems(QWidget* window, const QString& where, bool whole_page) {
  QStringList problems;
  for (QScrollArea* area : window->findChildren<QScrollArea*>()) {
    if (!area->isVisibleTo(window) || area->widget() == nullptr) continue;
    if (area->horizontalScrollBar()->maximum() > 0) {
      problems << QStringLiteral("%1: %2 scrolls sideways by %3 pixels")
                      .arg(where, area->objectName())
                      .arg(area->horizontalScrollBar()->maximum());
    }
    if (whole_page && area->verticalScrollBar()->maximum() > 0) {
      problems << QStringLiteral("%1: %2 does not fit: %3 pixels below the fold")
                      .arg(where, area->objectName())
                      .arg(area->verticalScrollBar()->maximum());
    }
  }
  return problems;
}

QStringList PictureProblems(QWidget* window, const QString& where) {
  QStringList problems;
  const qreal ratio = window->devicePixelRatioF();
  for (QLabel* label : window->findChildren<QLabel*>()) {
    if (!label->isVisibleTo(window)) continue;
    const QPixmap picture = label->pixmap();
    if (picture.isNull() || picture.devicePixelRatio() >= ratio) continue;
    problems << QStringLiteral("%1: %2's picture has %3 pixels to each of the screen's %4")
                    .arg(where, Describe(label))
                    .arg(picture.devicePixelRatio())
                    .arg(ratio);
  }
  return problems;
}
