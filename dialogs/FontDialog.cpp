#include "dialogs/FontDialog.h"

#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "editors/DialogControls.h"
#include "platform/EnumBits.h"
#include "platform/QtStrings.h"

TdxPSFontDialog::TdxPSFontDialog(const TFont& font, QWidget* parent) : QDialog(parent), font_(font) {
  setWindowTitle(QStringLiteral("Font"));
  initial_ = QFont(SubstituteFontName(font.Name));
  initial_.setPointSize(std::max(1, font.Size()));
  initial_.setBold(font.Style & fsBold);
  initial_.setItalic(font.Style & fsItalic);
  initial_.setUnderline(font.Style & fsUnderline);
  initial_.setStrikeOut(font.Style & fsStrikeOut);

  // The toolkit's font chooser, taken in as a part of this window; it brings
  // the underline and strike-out boxes.
  chooser_ = new QFontDialog(initial_, this);
  chooser_->setWindowFlags(Qt::Widget);
  chooser_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog | QFontDialog::ScalableFonts);
  chooser_->setObjectName(QStringLiteral("FontChooser"));

  auto* colorLabel = new QLabel(QStringLiteral("&Color:"), this);
  colorBox_ = new TdxPSColorCombo(this);
  colorBox_->setObjectName(QStringLiteral("ColorBox"));
  colorBox_->SetColorTypes(dxBit(ctPure));
  colorBox_->SetShowAutoColor(true);
  colorBox_->SetAutoColor(clWindowText);
  colorBox_->SetColorValue(font.Color);
  colorBox_->setMinimumWidth(160);
  colorLabel->setBuddy(colorBox_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* colorRow = new QHBoxLayout;
  colorRow->addWidget(colorLabel);
  colorRow->addWidget(colorBox_);
  colorRow->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(chooser_, 1);
  layout->addLayout(colorRow);
  layout->addWidget(buttons);
  chooser_->show();
  // Escape in the chooser's boxes closes this window, not the chooser inside it.
  connect(chooser_, &QDialog::finished, this, [this](int result) {
    chooser_->show();
    done(result);
  });
}

void TdxPSFontDialog::Choose(const TFont& font) {
  chosen_ = font;
  accept();
}

TFont TdxPSFontDialog::SelectedFont() const {
  if (chosen_) return *chosen_;
  const QFont chosen = chooser_->currentFont();
  TFont result = font_;
  if (chosen.family() != initial_.family()) result.Name = FromQ(chosen.family());
  if (chosen.pointSize() > 0) result.SetSize(chosen.pointSize());
  TFontStyles style = 0;
  if (chosen.bold()) style |= fsBold;
  if (chosen.italic()) style |= fsItalic;
  if (chosen.underline()) style |= fsUnderline;
  if (chosen.strikeOut()) style |= fsStrikeOut;
  result.Style = style;
  result.Color = colorBox_->ColorValue();
  return result;
}
