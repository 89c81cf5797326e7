// Helpers shared by the pieces of the page setup dialog (PageSetupDialog.cpp
// and its tab files): the print order picture, new boxes and groups, and the
// warning question. Internal to the dialog.
#pragma once

#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

#include "dialogs/PageSetupDialog.h"
#include "editors/DialogControls.h"
#include "platform/QtStrings.h"

namespace PageSetupDialogTabs {

constexpr int kOrderPictureWidth = 74;
constexpr int kOrderPictureHeight = 49;

QImage MakeImage(int w, int h);
// The print order pictures: 0 down then over, 1 over then down.
QImage OrderImage(int index);
TdxPSSpinEdit* NewLengthBox(QWidget* parent);
QGroupBox* NewGroup(const char* caption, QWidget* parent);
int AskWarning(TdxPageSetupWarning kind, const std::string& text, const std::vector<std::string>& buttons,
               QWidget* parent);

// The print order picture.
class OrderPicture : public QWidget {
 public:
  explicit OrderPicture(QWidget* parent) : QWidget(parent) { setFixedSize(kOrderPictureWidth, kOrderPictureHeight); }
  void SetOrder(TdxPageOrder order) {
    order_ = order;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QImage image = OrderImage(order_ == poDownThenOver ? 0 : 1);
    if (isEnabled()) {
      p.drawImage(0, 0, image);
    } else {
      QIcon icon(QPixmap::fromImage(image));
      icon.paint(&p, rect(), Qt::AlignCenter, QIcon::Disabled);
    }
  }

 private:
  TdxPageOrder order_ = poOverThenDown;
};

}  // namespace PageSetupDialogTabs
