// The small picture preview window: a picture viewer over a status bar that
// tells the picture's size.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "platform/Graphics.h"

class QLabel;
class QStatusBar;
class TdxPSImageScrollBox;

class TdxfmPicturePreview : public QDialog {
 public:
  explicit TdxfmPicturePreview(QWidget* parent = nullptr);

  TdxPSImageScrollBox* ImageBox() const { return imageBox_; }
  QStatusBar* StatusBar() const { return statusBar_; }
  // Text of status panel 0 (250 pixels) or 1 (the rest).
  std::string PanelText(int index) const;

  // Copies the graphic into the viewer and sizes the window for it: 400 x 400,
  // then with a picture its size + 10 (and the status bar) within the work
  // area and "Width: w   Height: h" in the first panel; without one the hint
  // "(None)".
  void ShowGraphic(const TGraphic* graphic);

 private:
  TdxPSImageScrollBox* imageBox_;
  QStatusBar* statusBar_;
  QLabel* panels_[2];
};

// Shows the graphic in a new modal preview window, freed when it closes.
void dxShowPicturePreview(const TGraphic* graphic, QWidget* parent = nullptr);
