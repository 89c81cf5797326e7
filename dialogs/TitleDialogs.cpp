// The report title dialog, its font dialog and the properties sheet of a
// stored report.
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "dialogs/FontDialog.h"
#include "dialogs/FormatDialogs.h"
#include "editors/PicturePreview.h"
#include "engine/ReportLink.h"
#include "layout/UserLocale.h"
#include "platform/EnumBits.h"
#include "platform/MessageDialogs.h"
#include "platform/QtStrings.h"
#include "platform/ModalRun.h"
#include "platform/Registry.h"
#include "report/EngineSettings.h"
#include "report/EngineUtilities.h"

namespace {


const char* const kModeNames[] = {"None", "On First Page", "On Every Top Page"};
const char* const kHorzNames[] = {"Left", "Center", "Right"};
const char* const kVertNames[] = {"Top", "Center", "Bottom"};

// List positions of the accepted alignments.
int HorzIndex(TdxTextAlignX a) { return a == taLeft ? 0 : a == taRight ? 2 : 1; }
int VertIndex(TdxTextAlignY a) { return a == taTop ? 0 : a == taBottom ? 2 : 1; }
TdxTextAlignX HorzAlign(int index) { return index == 0 ? taLeft : index == 2 ? taRight : taCenterX; }
TdxTextAlignY VertAlign(int index) { return index == 0 ? taTop : index == 2 ? taBottom : taCenterY; }

// The locale's time format as a time picture: the day-period marker becomes
// "tt", a zone name is dropped, and without a marker hours count to 24.
std::string LocaleTimePicture() {
  const QString qt = QLocale().timeFormat(QLocale::LongFormat);
  QString out;
  bool marker = false;
  for (int i = 0; i < qt.size();) {
    const QChar c = qt[i];
    if (c == u'\'') {
      const int end = qt.indexOf(u'\'', i + 1);
      const int stop = end < 0 ? qt.size() : end + 1;
      out += qt.mid(i, stop - i);
      i = stop;
    } else if (c == u'A' || c == u'a') {
      int n = 1;
      while (i + n < qt.size() && (qt[i + n] == u'P' || qt[i + n] == u'p')) ++n;
      out += QStringLiteral("tt");
      marker = true;
      i += n;
    } else if (c == u't') {
      while (i < qt.size() && qt[i] == u't') ++i;
    } else {
      out += c;
      ++i;
    }
  }
  if (!marker) out.replace(u'h', u'H');
  return FromQ(out.simplified());
}

}  // namespace

// ---- Font dialog ---------------------------------------------------------------------

bool dxPSExecuteFontDialog(TFont& font, QWidget* parent) {
  TdxPSFontDialog dialog(font, parent);
  if (RunModal(dialog) != QDialog::Accepted) return false;
  font = dialog.SelectedFont();
  return true;
}

// ---- Report title --------------------------------------------------------------------

QImage TdxfmReportTitleProperties::AlignmentGlyph(int index) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0));
  const int list = index / 3, entry = index % 3;
  if (list == 0) {
    // Lines of text of two lengths, pushed to the left, middle or right.
    const int widths[] = {12, 8, 12, 6, 12};
    for (int row = 0; row < 5; ++row) {
      const int w = widths[row];
      const int x = entry == 0 ? 2 : entry == 1 ? (16 - w) / 2 : 14 - w;
      p.drawRect(x, 2 + row * 3, w, 1);
    }
  } else {
    // A frame with a block of lines at its top, middle or bottom.
    p.setBrush(QColor(128, 128, 128));
    p.drawRect(1, 1, 14, 1);
    p.drawRect(1, 14, 14, 1);
    p.setBrush(QColor(0, 0, 0));
    const int top = entry == 0 ? 3 : entry == 1 ? 6 : 9;
    for (int row = 0; row < 2; ++row) p.drawRect(3, top + row * 3, 10, 2);
  }
  return image;
}

TdxfmReportTitleProperties::TdxfmReportTitleProperties(const TdxReportTitle& title, int helpContext, QWidget* parent)
    : TCustomdxPSFmtDialog(364, 393, helpContext, parent) {
  title_.Assign(&title);
  setWindowTitle(QStringLiteral("Report Title"));
  OkButton()->setText(QStringLiteral("&OK"));

  modeLabel_ = new TdxPSFocusLabel(QStringLiteral("&Mode:"), this);
  modeLabel_->setGeometry(8, 12, 44, 14);
  mode_ = new QComboBox(this);
  mode_->setGeometry(56, 8, 160, 22);
  modeLabel_->setBuddy(mode_);
  for (const char* name : kModeNames) mode_->addItem(QString::fromLatin1(name));

  tabs_ = new QTabWidget(this);
  tabs_->setGeometry(8, 40, 348, 310);
  textPage_ = new QWidget;
  text_ = new QPlainTextEdit(textPage_);
  auto* textLayout = new QVBoxLayout(textPage_);
  textLayout->setContentsMargins(8, 8, 8, 8);
  textLayout->addWidget(text_);
  tabs_->addTab(textPage_, QStringLiteral("&Text"));
  text_->installEventFilter(this);

  propsPage_ = new QWidget;
  tabs_->addTab(propsPage_, QStringLiteral("&Properties"));
  alignment_ = new QGroupBox(QStringLiteral("Alignment"), propsPage_);
  horzLabel_ = new QLabel(QStringLiteral("Hori&zontally:"), alignment_);
  vertLabel_ = new QLabel(QStringLiteral("&Vertically:"), alignment_);
  horz_ = new QComboBox(alignment_);
  vert_ = new QComboBox(alignment_);
  horzLabel_->setBuddy(horz_);
  vertLabel_->setBuddy(vert_);
  horz_->setIconSize(QSize(16, 16));
  vert_->setIconSize(QSize(16, 16));
  for (int i = 0; i < 3; ++i) {
    horz_->addItem(QIcon(QPixmap::fromImage(AlignmentGlyph(i))), QString::fromLatin1(kHorzNames[i]));
    vert_->addItem(QIcon(QPixmap::fromImage(AlignmentGlyph(3 + i))), QString::fromLatin1(kVertNames[i]));
  }
  transparent_ = new QCheckBox(QStringLiteral("&Transparent"), propsPage_);
  colorLabel_ = new QLabel(QStringLiteral("Co&lor:"), propsPage_);
  color_ = new TdxPSColorCombo(propsPage_);
  color_->SetColorTypes(dxBit(ctPure));
  color_->SetShowAutoColor(true);
  color_->SetAutoColor(clWhite);
  color_->SetShowCustomColor(true);
  colorLabel_->setBuddy(color_);
  fontInfo_ = new QLineEdit(propsPage_);
  fontInfo_->setReadOnly(true);
  fontButton_ = new QPushButton(QStringLiteral("Fo&nt..."), propsPage_);
  adjust_ = new QCheckBox(QStringLiteral("&Adjust on Scale"), propsPage_);
  restore_ = new QPushButton(QStringLiteral("&Restore Defaults"), propsPage_);
  propsPage_->installEventFilter(this);
  LayoutProperties();

  PlaceButtons(360, 356);
  Fill();
  LoadActivePage();

  connect(mode_, &QComboBox::currentIndexChanged, this, [this] { Changed(); });
  connect(text_, &QPlainTextEdit::textChanged, this, [this] { Changed(); });
  connect(horz_, &QComboBox::currentIndexChanged, this, [this] { Changed(); });
  connect(vert_, &QComboBox::currentIndexChanged, this, [this] { Changed(); });
  connect(transparent_, &QCheckBox::toggled, this, [this] { Changed(); });
  connect(adjust_, &QCheckBox::toggled, this, [this] { Changed(); });
  color_->OnChange = [this](TdxPSColorCombo&) { Changed(); };
  connect(fontButton_, &QPushButton::clicked, this, [this] { ChooseFont(); });
  connect(restore_, &QPushButton::clicked, this, [this] { RestoreDefaults(); });
}

TdxfmReportTitleProperties::~TdxfmReportTitleProperties() { SaveActivePage(); }

void TdxfmReportTitleProperties::Fill() {
  filling_ = true;
  adjust_->setChecked(title_.AdjustOnReportScale());
  color_->SetColorValue(title_.Color());
  fontInfo_->setText(ToQ(FormatFontInfo(title_.Font())));
  mode_->setCurrentIndex(int(title_.Mode()));
  text_->setPlainText(ToQ(title_.Text()));
  horz_->setCurrentIndex(HorzIndex(title_.TextAlignX()));
  vert_->setCurrentIndex(VertIndex(title_.TextAlignY()));
  transparent_->setChecked(title_.Transparent());
  filling_ = false;
  const bool colorEnabled = !transparent_->isChecked();
  color_->setEnabled(colorEnabled);
  colorLabel_->setEnabled(colorEnabled);
}

void TdxfmReportTitleProperties::Changed() {
  if (filling_) return;
  SetModified();
  const bool colorEnabled = !transparent_->isChecked();
  color_->setEnabled(colorEnabled);
  colorLabel_->setEnabled(colorEnabled);
}

void TdxfmReportTitleProperties::ChooseFont() {
  TFont font = title_.Font();
  if (!dxPSExecuteFontDialog(font, this)) return;
  title_.SetFont(font);
  fontInfo_->setText(ToQ(FormatFontInfo(title_.Font())));
  SetModified();
}

void TdxfmReportTitleProperties::RestoreDefaults() {
  title_.RestoreDefaults();
  Fill();
  SetModified();
}

void TdxfmReportTitleProperties::StoreControls() {
  title_.BeginUpdate();
  title_.SetAdjustOnReportScale(adjust_->isChecked());
  // Written even while "Transparent" keeps the colour list disabled.
  title_.SetColor(color_->ColorValue());
  title_.SetMode(TdxReportTitleMode(std::clamp(mode_->currentIndex(), 0, 2)));
  title_.SetText(FromQ(text_->toPlainText()));
  title_.SetTextAlignX(HorzAlign(horz_->currentIndex()));
  title_.SetTextAlignY(VertAlign(vert_->currentIndex()));
  title_.SetTransparent(transparent_->isChecked());
  title_.EndUpdate();
}

bool TdxfmReportTitleProperties::CanCloseOk() {
  StoreControls();
  return true;
}

bool TdxfmReportTitleProperties::eventFilter(QObject* watched, QEvent* event) {
  if (watched == text_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      SetModalResult(mrCancel);
      return true;
    }
  }
  if (watched == propsPage_ && event->type() == QEvent::Resize) LayoutProperties();
  return TCustomdxPSFmtDialog::eventFilter(watched, event);
}

// The two alignment lists share the width of the Properties page.
void TdxfmReportTitleProperties::LayoutProperties() {
  const int w = std::max(propsPage_->width(), 200);
  const int h = std::max(propsPage_->height(), 240);
  alignment_->setGeometry(8, 8, w - 16, 68);
  const int inner = w - 16 - 3 * 8;
  const int half = inner / 2;
  horzLabel_->setGeometry(8, 18, half, 14);
  horz_->setGeometry(8, 34, half, 24);
  vertLabel_->setGeometry(16 + half, 18, inner - half, 14);
  vert_->setGeometry(16 + half, 34, inner - half, 24);
  transparent_->setGeometry(8, 86, 150, 17);
  colorLabel_->setGeometry(8, 114, 48, 14);
  color_->setGeometry(60, 110, 160, 22);
  fontInfo_->setGeometry(8, 144, w - 16 - 83, 22);
  fontButton_->setGeometry(w - 8 - 75, 143, 75, 23);
  adjust_->setGeometry(8, 178, 150, 17);
  restore_->setGeometry(8, h - 8 - 23, 120, 23);
}

std::string TdxfmReportTitleProperties::RegistryKey() const {
  const std::string& path = dxPSEngine()->RealRegistryPath();
  if (path.empty()) return std::string();
  return path + "\\" + DropT(FormClassName());
}

void TdxfmReportTitleProperties::LoadActivePage() {
  const std::string key = RegistryKey();
  if (key.empty()) return;
  try {
    TRegistry registry;
    if (!registry.OpenKeyReadOnly("\\" + key) || !registry.ValueExists("ActivePage")) return;
    const int page = registry.ReadInteger("ActivePage");
    if (page >= 0 && page < tabs_->count()) tabs_->setCurrentIndex(page);
  } catch (const std::exception&) {
  }
}

void TdxfmReportTitleProperties::SaveActivePage() {
  const std::string key = RegistryKey();
  if (key.empty()) return;
  try {
    TRegistry registry;
    if (registry.OpenKey("\\" + key, true)) registry.WriteInteger("ActivePage", tabs_->currentIndex());
  } catch (const std::exception&) {
  }
}

bool ReportTitleDialog(int helpContext, TdxReportTitle& title) {
  TdxfmReportTitleProperties dialog(title, helpContext);
  const bool result = dialog.ShowModal() == mrOk && dialog.Modified();
  if (result) title.Assign(&dialog.Title());
  return result;
}

// ---- Report properties ---------------------------------------------------------------

std::string TdxfmPSReportProperties::CaptionFor(const std::string& name) {
  if (name.empty()) return "Properties";
  return "\"" + name + "\"  Properties";
}

std::string TdxfmPSReportProperties::CreationText(double dateTime) {
  std::string longDate = dxLocaleLongDateFormat();
  if (longDate.empty()) longDate = "MMMM d, yyyy";
  return dxFormatDate(dateTime, longDate) + ",   " + dxFormatTime(dateTime, LocaleTimePicture());
}

TdxfmPSReportProperties::TdxfmPSReportProperties(TdxPSReportPropertiesItem& item, int helpContext, QWidget* parent)
    : TCustomdxPSFmtDialog(359, 475, helpContext, parent), item_(item) {
  TdxPSReportDocument& document = item.ReportDocument();
  const bool readOnly = item.IsReadOnly();
  setWindowTitle(ToQ(CaptionFor(document.Caption())));

  tabs_ = new QTabWidget(this);
  tabs_->setGeometry(8, 8, 343, 428);
  auto* summary = new QWidget;
  tabs_->addTab(summary, QStringLiteral("Summary"));
  const int w = 343 - 8, h = 428 - 30;

  name_ = new QLineEdit(summary);
  name_->setGeometry(8, 12, w - 16, 22);
  name_->setReadOnly(readOnly);
  // An editable name sits on the window colour, a read-only one on the
  // dialog's.
  QPalette namePalette = name_->palette();
  namePalette.setColor(QPalette::Base, ColorToQColor(readOnly ? clBtnFace : clWindow));
  name_->setPalette(namePalette);

  auto* creatorLabel = new QLabel(QStringLiteral("Creato&r:"), summary);
  creatorLabel->setGeometry(8, 50, 64, 14);
  creator_ = new QLineEdit(summary);
  creator_->setGeometry(80, 46, w - 88, 22);
  creator_->setReadOnly(true);
  creatorLabel->setBuddy(creator_);
  auto* createdLabel = new QLabel(QStringLiteral("Create&d:"), summary);
  createdLabel->setGeometry(8, 80, 64, 14);
  created_ = new QLineEdit(summary);
  created_->setGeometry(80, 76, w - 88, 22);
  created_->setReadOnly(true);
  createdLabel->setBuddy(created_);

  inner_ = new QTabWidget(summary);
  inner_->setGeometry(8, 110, w - 16, h - 118);
  auto* descriptionPage = new QWidget;
  description_ = new QPlainTextEdit(descriptionPage);
  description_->setReadOnly(readOnly);
  auto* descriptionLayout = new QVBoxLayout(descriptionPage);
  descriptionLayout->setContentsMargins(6, 6, 6, 6);
  descriptionLayout->addWidget(description_);
  inner_->addTab(descriptionPage, QStringLiteral("Description"));
  auto* previewPage = new QWidget;
  preview_ = new TdxPSImageScrollBox(previewPage);
  previewButton_ = new QPushButton(QStringLiteral("Preview..."), previewPage);
  auto* previewLayout = new QVBoxLayout(previewPage);
  previewLayout->setContentsMargins(6, 6, 6, 6);
  previewLayout->addWidget(preview_, 1);
  previewLayout->addWidget(previewButton_, 0, Qt::AlignRight);
  inner_->addTab(previewPage, QStringLiteral("Preview"));

  PlaceButtons(444, 351);

  filling_ = true;
  name_->setText(ToQ(document.Caption()));
  creator_->setText(ToQ(document.Creator()));
  created_->setText(ToQ(CreationText(document.CreationDate())));
  description_->setPlainText(ToQ(document.Description()));
  preview_->SetGraphic(&document.Preview());
  const bool hasPicture = preview_->HasPicture();
  preview_->setEnabled(hasPicture);
  previewButton_->setEnabled(hasPicture);
  filling_ = false;

  connect(name_, &QLineEdit::textChanged, this, [this] {
    if (!filling_) SetModified();
  });
  connect(description_, &QPlainTextEdit::textChanged, this, [this] {
    if (!filling_) SetModified();
  });
  connect(previewButton_, &QPushButton::clicked, this,
          [this] { dxShowPicturePreview(preview_->Picture().Graphic(), this); });
}

bool TdxfmPSReportProperties::CanCloseOk() {
  const std::string name = FromQ(name_->text());
  if (item_.IsReadOnly() || name == item_.ReportDocument().Caption() || item_.CanRename(name)) return true;
  MessageError(item_.RenameErrorText(name));
  name_->setFocus(Qt::OtherFocusReason);
  name_->selectAll();
  return false;
}

void TdxfmPSReportProperties::Apply() {
  TdxPSReportDocument& document = item_.ReportDocument();
  document.BeginUpdate();
  document.SetCaption(FromQ(name_->text()));
  document.SetDescription(FromQ(description_->toPlainText()));
  document.EndUpdate();
  document.DocChanged();
}

bool ReportPropertiesSheet(TdxPSReportPropertiesItem& item, int helpContext) {
  TdxfmPSReportProperties sheet(item, helpContext);
  const bool result = sheet.ShowModal() == mrOk && sheet.Modified();
  if (result) sheet.Apply();
  return result;
}
