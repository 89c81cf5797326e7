#include "editors/PicturePreview.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include "editors/DialogControls.h"
#include "platform/QtStrings.h"
#include "platform/ModalRun.h"

namespace {
QRect WorkArea() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
}
}  // namespace

TdxfmPicturePreview::TdxfmPicturePreview(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Picture Preview"));
  setMinimumSize(200, 200);
  setWindowIcon(QIcon(QPixmap::fromImage(dxPSImageBoxGlyph(0))));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  imageBox_ = new TdxPSImageScrollBox(this);
  imageBox_->SetMenuItems(dxAllImageScrollBoxMenuItems & ~(1u << ibmiPreview));
  statusBar_ = new QStatusBar(this);
  panels_[0] = new QLabel(statusBar_);
  panels_[0]->setFixedWidth(250);
  panels_[1] = new QLabel(statusBar_);
  statusBar_->addWidget(panels_[0]);
  statusBar_->addWidget(panels_[1], 1);
  layout->addWidget(imageBox_, 1);
  layout->addWidget(statusBar_);
  resize(400, 400);
}

std::string TdxfmPicturePreview::PanelText(int index) const {
  if (index < 0 || index > 1) return std::string();
  return FromQ(panels_[index]->text());
}

void TdxfmPicturePreview::ShowGraphic(const TGraphic* graphic) {
  imageBox_->SetGraphic(graphic);
  resize(400, 400);
  if (imageBox_->HasPicture()) {
    const int pw = imageBox_->Picture().Width(), ph = imageBox_->Picture().Height();
    const QRect work = WorkArea();
    resize(std::min(pw + 10, work.width()), std::min(ph + statusBar_->sizeHint().height() + 10, work.height()));
    panels_[0]->setText(ToQ(Format("%s: %d   %s: %d", "Width", pw, "Height", ph)));
  } else {
    imageBox_->SetHintText("(None)");
  }
}

void dxShowPicturePreview(const TGraphic* graphic, QWidget* parent) {
  TdxfmPicturePreview window(parent);
  window.ShowGraphic(graphic);
  RunModal(window);
}
