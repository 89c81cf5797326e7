// Helpers of the dialog-control tests: key, mouse and wheel input sent straight
// to a control, a counter of the controls' warning sounds, and rendering.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

#include "editors/DialogControls.h"

// Counts dxPSBeep calls while it lives.
struct BeepCounter {
  int count = 0;
  BeepCounter() {
    dxPSSetBeepHook([this] { ++count; });
  }
  ~BeepCounter() { dxPSSetBeepHook(nullptr); }
};

// Sets the default locale for one test.
struct LocaleScope {
  QLocale saved;
  explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
  ~LocaleScope() { QLocale::setDefault(saved); }
};

// Sends a key press; answers whether the control accepted it.
inline bool SendKey(QWidget& w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
  QKeyEvent e(QEvent::KeyPress, key, mods, text);
  QApplication::sendEvent(&w, &e);
  return e.isAccepted();
}

// Types one character as the keyboard would.
inline bool TypeChar(QWidget& w, QChar c) {
  int key = c.isLetterOrNumber() ? int(c.toUpper().unicode()) : int(c.unicode());
  return SendKey(w, key, Qt::NoModifier, QString(c));
}

inline void SendMouse(QWidget& w, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
  Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  if (type == QEvent::MouseMove) button = Qt::NoButton;
  QMouseEvent e(type, QPointF(pos), QPointF(w.mapToGlobal(pos)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(&w, &e);
}

// One wheel notch: away from the user (up) with notches > 0.
inline void SendWheel(QWidget& w, int notches, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QPointF pos(w.width() / 2.0, w.height() / 2.0);
  QWheelEvent e(pos, w.mapToGlobal(pos), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, mods, Qt::NoScrollPhase,
                false);
  QApplication::sendEvent(&w, &e);
}

inline QImage Grab(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

constexpr unsigned kBtnFace = 0xC0C0C0;
constexpr unsigned kBtnShadow = 0x808080;
constexpr unsigned kBtnHighlight = 0xFFFFFF;
constexpr unsigned kInfoBk = 0xFFFFE1;
