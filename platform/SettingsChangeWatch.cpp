#include "platform/SettingsChangeWatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <algorithm>
#include <exception>
#include <vector>

#include "platform/Application.h"

namespace {

std::vector<TSettingsChangeWatch*>& Watches() {
  static std::vector<TSettingsChangeWatch*> watches;
  return watches;
}

// One filter on the application object for all watches.
class SettingsChangeFilter : public QObject {
 public:
  explicit SettingsChangeFilter(QCoreApplication* app) : QObject(app) { app->installEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parent() && event->type() == QEvent::LocaleChange) TSettingsChangeWatch::NotifyAll();
    return false;
  }
};

void InstallFilter() {
  static QCoreApplication* filtered = nullptr;
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || app == filtered) return;
  filtered = app;
  new SettingsChangeFilter(app);
}

}  // namespace

TSettingsChangeWatch::TSettingsChangeWatch(std::function<void()> onChange) : onChange_(std::move(onChange)) {
  InstallFilter();
  Watches().push_back(this);
}

TSettingsChangeWatch::~TSettingsChangeWatch() {
  auto& watches = Watches();
  watches.erase(std::remove(watches.begin(), watches.end(), this), watches.end());
}

void TSettingsChangeWatch::NotifyAll() {
  // A handler may end watches (its own or others): each one still watching
  // when its turn comes is told.
  const std::vector<TSettingsChangeWatch*> watches = Watches();
  for (TSettingsChangeWatch* watch : watches) {
    const auto& current = Watches();
    if (std::find(current.begin(), current.end(), watch) == current.end() || !watch->onChange_) continue;
    try {
      watch->onChange_();
    } catch (const std::exception& e) {
      Application::ShowException(e);
    }
  }
}
