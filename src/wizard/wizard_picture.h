#pragma once

#include <QWidget>

namespace wizard {

// The tall picture strip on the wizard's left: a chip pictogram over a gradient, drawn at
// whatever size the layout gives it.
class WizardPicture : public QWidget {
  Q_OBJECT

 public:
  explicit WizardPicture(QWidget* parent = nullptr);
  QSize minimumSizeHint() const override { return {40, 120}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace wizard
