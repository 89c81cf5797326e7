// Helpers for the preview control tests: a control whose form always counts
// as active, input events sent the way the window system delivers them, and
// a fixed setup whose geometry is worked out by hand.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "engine/ComponentPrinter.h"
#include "preview/PreviewControl.h"
#include "preview/PreviewWindow.h"
#include "tests/engine/PrinterTestSupport.h"

namespace preview_test {

class TestPreview : public TdxPreview {
 public:
  bool active = true;
  bool IsFormActive() const override { return active; }
};

// Client point to widget point.
inline QPointF WidgetPoint(const TCustomdxPreview& preview, TPoint p) {
  const TRect c = preview.ClientRect();
  return QPointF(p.X + c.Left, p.Y + c.Top);
}

inline void SendMouse(TCustomdxPreview& preview, QEvent::Type type, TPoint p, Qt::MouseButton button,
                      Qt::KeyboardModifiers mods = Qt::NoModifier) {
  const QPointF local = WidgetPoint(preview, p);
  const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  QMouseEvent e(type, local, preview.mapToGlobal(local), button, buttons, mods);
  QApplication::sendEvent(&preview, &e);
}

inline void Press(TCustomdxPreview& preview, TPoint p, Qt::MouseButton button = Qt::LeftButton) {
  SendMouse(preview, QEvent::MouseButtonPress, p, button);
}
inline void Release(TCustomdxPreview& preview, TPoint p, Qt::MouseButton button = Qt::LeftButton) {
  SendMouse(preview, QEvent::MouseButtonRelease, p, button);
}
inline void Move(TCustomdxPreview& preview, TPoint p, Qt::MouseButton held = Qt::NoButton) {
  SendMouse(preview, QEvent::MouseMove, p, held);
}
inline void Click(TCustomdxPreview& preview, TPoint p) {
  Press(preview, p);
  Release(preview, p);
}

inline void Key(TCustomdxPreview& preview, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent e(QEvent::KeyPress, key, mods);
  QApplication::sendEvent(&preview, &e);
}

// One wheel notch: positive = away from the user.
inline void Wheel(TCustomdxPreview& preview, int notches, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  const QPointF local = WidgetPoint(preview, {10, 10});
  QWheelEvent e(local, preview.mapToGlobal(local), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, mods,
                Qt::NoScrollPhase, false);
  QApplication::sendEvent(&preview, &e);
}

inline QImage Grab(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Processes events until the condition holds or a generous deadline passes.
inline bool WaitFor(const std::function<bool()>& condition, int deadlineMs = 5000) {
  QElapsedTimer t;
  t.start();
  while (!condition()) {
    if (t.elapsed() > deadlineMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// A 400 x 300 control without border and scroll bars at 20 %, so that client
// and widget coordinates agree. An A4 page (794 x 1123 pixels at 100 %) is
// 159 x 225 pixels there, the indent is 5, two columns fit:
//   page 0 = (38, 5, 197, 230), page 1 = (202, 5, 361, 230),
//   page 2 = (38, 235, 197, 460), ...
// Page 0's margins at 20 %: left x = 57, right x = 177, gutter x = 38,
// top y = 24, header y = 15, bottom y = 210, footer y = 219.
inline std::unique_ptr<TestPreview> MakeSmallPreview(int pages) {
  auto preview = std::make_unique<TestPreview>();
  preview->SetBorderStyle(bsNone);
  preview->SetScrollBars(ssNone);
  preview->resize(400, 300);
  preview->SetZoomFactor(20);
  preview->SetPageCount(pages);
  preview->show();
  return preview;
}

// A 900 x 1200 control without border and scroll bars at 100 % with one page
// at (53, 38, 847, 1161); its left margin line is at x = 149 (254 = 96
// pixels), the header line at y = 86.
inline std::unique_ptr<TestPreview> MakeLargePreview() {
  auto preview = std::make_unique<TestPreview>();
  preview->SetBorderStyle(bsNone);
  preview->SetScrollBars(ssNone);
  preview->resize(900, 1200);
  preview->SetPageCount(1);
  preview->show();
  return preview;
}

// Records which pages were asked to paint.
struct PaintLog {
  std::vector<int> pages;
  std::vector<TRect> rects;
  void Attach(TCustomdxPreview& preview, TColor fill = clNone) {
    preview.OnDrawPageContent = [this, fill](TCustomdxPreview&, TCanvas& canvas, TRect& rect, int index) {
      pages.push_back(index);
      rects.push_back(rect);
      if (fill != clNone) canvas.FillRect(rect, fill);
    };
  }
  std::set<int> Distinct() const { return std::set<int>(pages.begin(), pages.end()); }
  void Clear() {
    pages.clear();
    rects.clear();
  }
};

// Adds link to printer as the link of component (its class registered for
// the component's just while it takes it).
inline void AttachLink(TdxComponentPrinter& printer, TBasedxReportLink* link, QWidget& component) {
  printer.AddLink(link);
  dxPSRegisterReportLink(link->ClassType(), dxComponentClassOf(&component), nullptr);
  link->SetComponent(&component);
  dxPSUnregisterReportLink(link->ClassType(), dxComponentClassOf(&component), nullptr);
}

// AttachLink, then the preview window opened modeless and shown at
// 1000 x 800; nullptr when no window opened.
inline TdxfmStdPreview* ShowPreview(TdxComponentPrinter& printer, TBasedxReportLink* link, QWidget& component) {
  AttachLink(printer, link, component);
  printer.Preview(false);
  auto* window = dynamic_cast<TdxfmStdPreview*>(printer.PreviewWindow());
  if (!window) return nullptr;
  window->setGeometry(20, 20, 1000, 800);
  window->show();
  return window;
}

// The surroundings of a preview window test: the English (US) locale, the
// standard preview window registered and a print device described by hand in
// place of the system's (no printers until the test adds one); the locale and
// the device are put back when it goes.
class PreviewWindowEnvironment {
 public:
  PreviewWindowEnvironment() : savedLocale_(QLocale()) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    dxPSRegisterStdPreviewWindow();
    auto device = std::make_unique<HandPrintDevice>();
    device_ = device.get();
    devices_ = std::make_unique<ScopedPrintDevice>(std::move(device));
  }
  ~PreviewWindowEnvironment() {
    devices_.reset();
    QLocale::setDefault(savedLocale_);
  }
  HandPrintDevice& Device() { return *device_; }

 private:
  QLocale savedLocale_;
  HandPrintDevice* device_ = nullptr;
  std::unique_ptr<ScopedPrintDevice> devices_;
};

}  // namespace preview_test
