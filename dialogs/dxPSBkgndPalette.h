// The background colour palette: a small tool window that pops up under a
// button and edits a background in one click. A "No Fill" button, forty
// colour buttons in 8 columns and 5 rows, and a row with "More Colors..."
// (the process's colour dialog) and "Fill Effects..." (shown only while a
// fill-effects editor is installed).
//
// ChooseBackground shows the palette at a screen point and runs a local event
// loop until the user picks something or dismisses the palette (Escape, or the
// palette losing the focus). Tests reach the shown palette through
// dxPSSetColorPaletteHook.
#pragma once

#include <QPoint>
#include <QWidget>
#include <functional>
#include <string>

#include "layout/dxBkgnd.h"

class QEventLoop;
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

class TdxfmColorPalette : public QWidget {
 public:
  static constexpr int kClientWidth = 148;
  static constexpr int kColorButtonSize = 18;

  TdxfmColorPalette(TdxBackground& background, const TdxBackgroundDlgData& options);
  ~TdxfmColorPalette() override;

  // Shows the palette with its top-left corner at the point (moved into the
  // screen's work area) and waits for the choice; true when the background
  // was changed by a choice.
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

  // ---- The choices (the buttons run these) ----
  void PickColor(TColor color);
  void PickNoFill();
  void PickMoreColors();
  void PickFillEffects();
  // Closes with no change.
  void Dismiss();
  bool HasResult() const { return done_; }
  bool Result() const { return result_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  bool event(QEvent*) override;

 private:
  void Finish(bool result);
  void Arrange();

  TdxBackground& background_;
  TdxBackgroundDlgData options_;
  QToolButton* noFill_ = nullptr;
  QToolButton* colors_[40] = {};
  QPushButton* moreColors_ = nullptr;
  QPushButton* fillEffects_ = nullptr;
  QEventLoop* loop_ = nullptr;
  bool done_ = false;
  bool result_ = false;
  bool inSubDialog_ = false;
};

// Shows the palette for the background at a screen point (options: none for
// the defaults); true when the user picked a colour, "No Fill", a colour of
// the colour dialog or accepted fill effects.
bool ChooseBackground(TdxBackground& background, QPoint at, const TdxBackgroundDlgData* options = nullptr);

// The fill-effects editor behind "Fill Effects..." (true when it changed the
// background). Without one the button is hidden.
using TdxEditFillEffectsFunc = std::function<bool(TdxBackground& background)>;
void dxPSSetEditFillEffects(TdxEditFillEffectsFunc func);
bool dxPSHasEditFillEffects();
bool EditFillEffects(TdxBackground& background);

// Tests: called with the shown palette from inside its event loop; a palette
// the hook leaves open is dismissed.
using TdxColorPaletteHook = std::function<void(TdxfmColorPalette& palette)>;
void dxPSSetColorPaletteHook(TdxColorPaletteHook hook);

// Offers the palette to the preview window's background command (when no
// other palette was installed there).
void dxPSRegisterBackgroundPalette();
