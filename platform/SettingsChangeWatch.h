// Tells its handler when the system's regional or other settings change
// while the program runs: the application is then sent QEvent::LocaleChange
// (the window system does so, and so does the program after changing the
// locale itself).
#pragma once

#include <functional>

class TSettingsChangeWatch {
 public:
  explicit TSettingsChangeWatch(std::function<void()> onChange);
  ~TSettingsChangeWatch();
  TSettingsChangeWatch(const TSettingsChangeWatch&) = delete;
  TSettingsChangeWatch& operator=(const TSettingsChangeWatch&) = delete;

  // Runs every handler, in the order the watches were made.
  static void NotifyAll();

 private:
  std::function<void()> onChange_;
};
