// What the three preview dialogs share: the work area and wheel queries, the
// page symbol, the modal dialog base and the registration with the preview
// window.
#include "preview/PreviewDialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QInputDevice>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "report/ImageList.h"

// ---- Environment -------------------------------------------------------------------

namespace {
QRect& WorkAreaOverride() {
  static QRect area;
  return area;
}
std::optional<bool>& WheelOverride() {
  static std::optional<bool> present;
  return present;
}
}  // namespace

QRect dxPSDesktopWorkArea() {
  if (!WorkAreaOverride().isEmpty()) return WorkAreaOverride();
  if (QScreen* screen = QGuiApplication::primaryScreen()) return screen->availableGeometry();
  return QRect(0, 0, 1024, 768);
}

void dxPSSetDesktopWorkArea(const QRect& area) { WorkAreaOverride() = area; }

bool dxPSMouseWheelPresent() {
  if (WheelOverride()) return *WheelOverride();
  const QList<const QInputDevice*> devices = QInputDevice::devices();
  for (const QInputDevice* device : devices) {
    if (device->type() == QInputDevice::DeviceType::Mouse &&
        device->hasCapability(QInputDevice::Capability::Scroll))
      return true;
  }
  // A system that lists no mouse at all (a virtual display) is taken to have
  // the usual wheel mouse.
  for (const QInputDevice* device : devices)
    if (device->type() == QInputDevice::DeviceType::Mouse) return false;
  return true;
}

void dxPSSetMouseWheelPresent(std::optional<bool> present) { WheelOverride() = present; }

// ---- Page symbol -----------------------------------------------------------------------

QImage dxPSPageChooserGlyph() {
  // A sheet with a folded corner and a few text lines on an olive key colour.
  const QRgb key = qRgb(128, 128, 0);
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(key);
  QPainter p(&image);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawRect(3, 1, 10, 14);
  p.setPen(QColor(0, 0, 0));
  p.drawLine(3, 1, 9, 1);
  p.drawLine(3, 1, 3, 14);
  p.drawLine(3, 14, 12, 14);
  p.drawLine(12, 5, 12, 14);
  p.drawLine(9, 1, 12, 4);
  p.drawLine(9, 1, 9, 4);
  p.drawLine(9, 4, 12, 4);
  p.setPen(QColor(128, 128, 128));
  for (int y = 6; y <= 12; y += 2) p.drawLine(5, y, 10, y);
  p.end();
  return image;
}

const TCustomImageList& dxPSPageChooserImages() {
  static const std::unique_ptr<TCustomImageList> list = [] {
    auto l = std::make_unique<TCustomImageList>(16, 16);
    TBitmap glyph;
    glyph.SetImage(dxPSPageChooserGlyph());
    l->Add(glyph);
    return l;
  }();
  return *list;
}

// ---- Modal dialogs ------------------------------------------------------------------

TdxPSDialogForm::TdxPSDialogForm(QWidget* parent)
    : TCustomdxPSForm(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                                  Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {}

TdxPSDialogForm::~TdxPSDialogForm() = default;

void TdxPSDialogForm::SetModalResult(int result) {
  modalResult_ = result;
  if (result != mrNone) EndRun();
}

int TdxPSDialogForm::ShowModal() {
  modalResult_ = mrNone;
  // Centred on its owner, unless a kept placement is restored.
  if (!RunModal()) return mrCancel;
  // A run that ended without an answer cancels.
  if (modalResult_ == mrNone) modalResult_ = mrCancel;
  hide();
  setWindowModality(Qt::NonModal);
  return modalResult_;
}

void TdxPSDialogForm::SetButtonResult(QPushButton* button, int result) {
  QObject::connect(button, &QPushButton::clicked, this, [this, result] { SetModalResult(result); });
}

void TdxPSDialogForm::SetDefaultButton(QPushButton* button) {
  defaultButton_ = button;
  button->setDefault(true);
}

void TdxPSDialogForm::SetCancelButton(QPushButton* button) { cancelButton_ = button; }

void TdxPSDialogForm::ArrangeHelpButton(int helpContext, QPushButton* ok, QPushButton* cancel, QPushButton* help) {
  if (helpContext != 0) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    help->show();
    return;
  }
  const QPoint cancelPlace = cancel->pos(), helpPlace = help->pos();
  help->hide();
  ok->move(cancelPlace);
  cancel->move(helpPlace);
}

void TdxPSDialogForm::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (event->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) {
    TCustomdxPSForm::keyPressEvent(event);
    return;
  }
  auto usable = [](QPushButton* b) { return b && b->isVisible() && b->isEnabled(); };
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    // The focused push button takes Enter; elsewhere the default button.
    QPushButton* target = qobject_cast<QPushButton*>(QApplication::focusWidget());
    if (!usable(target) || target->window() != this) target = defaultButton_;
    if (usable(target)) {
      target->click();
      event->accept();
      return;
    }
  } else if (key == Qt::Key_Escape) {
    if (usable(cancelButton_))
      cancelButton_->click();
    else
      SetModalResult(mrCancel);
    event->accept();
    return;
  }
  TCustomdxPSForm::keyPressEvent(event);
}

void TdxPSDialogForm::closeEvent(QCloseEvent* event) {
  if (modalResult_ == mrNone) SetModalResult(mrCancel);
  TCustomdxPSForm::closeEvent(event);
}

// ---- Registration -----------------------------------------------------------------------

void dxPSRegisterPreviewDialogs() {
  TdxPreviewWindowDialogs& dialogs = dxPSPreviewWindowDialogs();
  dialogs.ZoomSetup = [](TCustomdxPreview& preview) { return ShowZoomDialog(preview); };
  dialogs.ChoosePages = [](QPoint at, int buttonHeight, int maxColumns, int maxRows, int& columns, int& rows) {
    return ShowPageChooser(&dxPSPageChooserImages(), 0, at, buttonHeight, maxColumns, maxRows, columns, rows);
  };
  dialogs.Preferences = [](TdxPreviewPreferences& preferences) { return ShowPreferencesDialog(&preferences); };
}
