// The background colour palette: a small pop-up under a button that edits a
// background in one click. A "No Fill" button, forty colour buttons in 8
// columns and 5 rows, and a row with "More Colors..." (the process's colour
// dialog) and "Fill Effects..." (the fill-effects dialog).
//
// ChooseBackground pops the palette up at a screen point, owned by the window
// that opens it, and runs it modally until the user picks something or
// dismisses it (Escape, Alt with a key, or a click outside). The colour and
// fill-effects dialogs of the last row open after the palette has closed,
// owned by the same window.
#pragma once

#include <QDialog>
#include <QPoint>
#include <functional>
#include <string>

#include "layout/Background.h"

class QPushButton;
class QToolButton;

namespace dxPSBackgroundPaletteTexts {
inline constexpr const char* Caption = " Page Background";
inline constexpr const char* NoFill = "&No Fill";
inline constexpr const char* MoreColors = "&More Colors...";
inline constexpr const char* FillEffects = "&Fill Effects...";
}  // namespace dxPSBackgroundPaletteTexts

struct TdxPaletteColorEntry {
  const char* Hint;
  int R, G, B;
};
// The forty colours, row by row (8 per row).
extern const TdxPaletteColorEntry dxPSPaletteColors[40];
// The colour of a palette entry as a TColor.
TColor dxPSPaletteColor(int index);

// Options of the palette.
struct TdxBackgroundDlgData {
  // No border: the palette draws a raised edge of its own.
  bool BorderNone = false;
  std::string Caption = dxPSBackgroundPaletteTexts::Caption;
  std::string NoFillCaption = dxPSBackgroundPaletteTexts::NoFill;
  // The swatch on the no-fill button; clNone: no swatch.
  TColor NoFillSwatchColor = clBlack;
  // The row of "More Colors..." and "Fill Effects..." is shown while either
  // switch is on.
  bool ShowMoreColors = true;
  bool ShowFillEffects = true;
};

class TdxfmColorPalette : public QDialog {
 public:
  static constexpr int kClientWidth = 148;
  static constexpr int kColorButtonSize = 18;

  // What the user picked.
  enum TChoice { pcDismissed, pcColor, pcNoFill, pcMoreColors, pcFillEffects };

  // A pop-up of the owner's window (none: the active modal window, else the
  // active window).
  TdxfmColorPalette(TdxBackground& background, const TdxBackgroundDlgData& options, QWidget* owner = nullptr);
  ~TdxfmColorPalette() override;

  // Shows the palette with its top-left corner at the point (moved into the
  // screen's work area), waits for the choice and carries it out; true when
  // the background was changed by a choice.
  bool Run(QPoint at);
  // Where the palette goes for a wanted top-left point inside a work area:
  // not left of its left edge, not beyond its right edge, not below its
  // bottom edge.
  static QPoint PlaceWithin(QPoint at, QSize size, const QRect& workArea);

  // ---- The controls (tests press them) ----
  QToolButton* NoFillButton() const { return noFill_; }
  QToolButton* ColorButton(int index) const { return colors_[index]; }
  QPushButton* MoreColorsButton() const { return moreColors_; }
  QPushButton* FillEffectsButton() const { return fillEffects_; }
  // The colour button that is down, -1 for none (the no-fill button is not
  // counted).
  int DownColorIndex() const;
  const TdxBackgroundDlgData& Options() const { return options_; }

  // ---- The choices (the buttons run these; each closes the palette) ----
  void PickColor(TColor color);
  void PickNoFill();
  void PickMoreColors();
  void PickFillEffects();
  // Closes with no change.
  void Dismiss();
  TChoice Choice() const { return choice_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void keyPressEvent(QKeyEvent*) override;

 private:
  void Pick(TChoice choice);
  void Arrange();
  // Carries out the choice after the palette closed; true on a change.
  bool Apply();

  TdxBackground& background_;
  TdxBackgroundDlgData options_;
  QToolButton* noFill_ = nullptr;
  QToolButton* colors_[40] = {};
  QPushButton* moreColors_ = nullptr;
  QPushButton* fillEffects_ = nullptr;
  TChoice choice_ = pcDismissed;
  TColor color_ = clBlack;
};

// Shows the palette for the background at a screen point (options: none for
// the defaults), owned by the owner's window; true when the user picked a
// colour, "No Fill", a colour of the colour dialog or accepted fill effects.
bool ChooseBackground(TdxBackground& background, QPoint at, const TdxBackgroundDlgData* options = nullptr,
                      QWidget* owner = nullptr);

// Offers the palette to the preview window's background command (when no
// other palette was installed there).
void dxPSRegisterBackgroundPalette();
