// The engine's font dialog: face, style and size, the effects underline and
// strike-out, and the colour of the text. It works on a copy of the font it
// is given; the chosen font is read back after OK.
#pragma once

#include <QDialog>
#include <optional>

#include "platform/Fonts.h"

class QFontDialog;
class TdxPSColorCombo;

class TdxPSFontDialog : public QDialog {
 public:
  explicit TdxPSFontDialog(const TFont& font, QWidget* parent = nullptr);

  // The font as chosen: the given font with the face, size, styles and
  // colour of the dialog. A face that only stands in for the font's name
  // keeps the name.
  TFont SelectedFont() const;
  // The font the dialog was given.
  const TFont& InitialFont() const { return font_; }
  // Closes the dialog with OK and font as the choice.
  void Choose(const TFont& font);

  QFontDialog* FontChooser() const { return chooser_; }
  TdxPSColorCombo* ColorBox() const { return colorBox_; }

 private:
  TFont font_;
  std::optional<TFont> chosen_;
  QFont initial_;
  QFontDialog* chooser_ = nullptr;
  TdxPSColorCombo* colorBox_ = nullptr;
};
