// The value box, the common dialog form, the date and time format dialog,
// the page number format dialog and the report link's format and title
// operations.
#include "dialogs/FormatDialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <limits>

#include "engine/ComponentPrinter.h"
#include "engine/ReportLink.h"
#include "layout/HeaderFooterFunctions.h"
#include "layout/UserLocale.h"
#include "platform/Application.h"
#include "platform/MessageDialogs.h"
#include "platform/QtStrings.h"
#include "report/EngineUtilities.h"

namespace {


bool IsLiteral(TdxIntValueType type) { return type == ivtLiteral || type == ivtCapitalLiteral; }
bool IsUpper(TdxIntValueType type) { return type == ivtCapitalLiteral || type == ivtCapitalRoman; }

constexpr int kMaxStartPageIndex = 10000;

}  // namespace

// ---- TdxPSValueEdit ------------------------------------------------------------------

TdxPSValueEdit::TdxPSValueEdit(QWidget* parent) : TdxPSSpinEdit(parent) {
  SetMaxValue(kMaxStartPageIndex);
  SetMinValue(1);
  SetDefaultValue(1);
}

TdxIntValueType TdxPSValueEdit::FromPageNumberFormat(TdxPageNumberFormat format) {
  switch (format) {
    case pnfNumeral: return ivtDecimal;
    case pnfChars: return ivtLiteral;
    case pnfUpperChars: return ivtCapitalLiteral;
    case pnfRoman: return ivtRoman;
    case pnfUpperRoman: return ivtCapitalRoman;
  }
  return ivtDecimal;
}

void TdxPSValueEdit::SetIntValueType(TdxIntValueType value) {
  if (value == intValueType_) return;
  const double v = Value();
  intValueType_ = value;
  SetValue(v);
}

bool TdxPSValueEdit::IsValidChar(QChar c) const {
  if (!EditorEnabled() || c.unicode() < 32) return TdxPSSpinEdit::IsValidChar(c);
  switch (intValueType_) {
    case ivtDecimal: return c != QLatin1Char('-') && TdxPSSpinEdit::IsValidChar(c);
    case ivtLiteral: return c >= QLatin1Char('a') && c <= QLatin1Char('z');
    case ivtCapitalLiteral: return c >= QLatin1Char('A') && c <= QLatin1Char('Z');
    case ivtRoman: return QStringLiteral("cdilmvx").contains(c);
    case ivtCapitalRoman: return QStringLiteral("CDILMVX").contains(c);
  }
  return false;
}

double TdxPSValueEdit::CheckValue(double value) const {
  // Whatever the bounds, the value has to be a whole number an int holds.
  value = TdxPSSpinEdit::CheckValue(value);
  return std::clamp(value, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max()));
}

QString TdxPSValueEdit::FormatValue(double value) const {
  if (intValueType_ == ivtDecimal) return TdxPSSpinEdit::FormatValue(value);
  const int n = int(std::nearbyint(value));
  const bool upper = IsUpper(intValueType_);
  return ToQ(IsLiteral(intValueType_) ? NumberToLetters(n, upper) : NumberToRoman(n, upper));
}

std::optional<double> TdxPSValueEdit::ParseValue(const QString& numberText) const {
  if (intValueType_ == ivtDecimal) return TdxPSSpinEdit::ParseValue(numberText);
  const QString text = numberText.trimmed();
  if (text.isEmpty()) return 1.0;
  const std::string s = FromQ(text);
  const bool upper = IsUpper(intValueType_);
  const int n = IsLiteral(intValueType_) ? LettersToNumber(s, upper) : RomanToNumber(s, upper);
  // 0 (not a letter of the case) and -1 (not a Roman number, or too large)
  // are conversions that failed.
  if (n <= 0) return std::nullopt;
  return CheckValue(n);
}

// ---- TCustomdxPSFmtDialog ------------------------------------------------------------

TCustomdxPSFmtDialog::TCustomdxPSFmtDialog(int clientWidth, int clientHeight, int helpContext, QWidget* parent)
    : TCustomdxPSForm(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                  (helpContext != 0 ? Qt::WindowContextHelpButtonHint : Qt::WindowFlags())),
      helpContext_(helpContext) {
  setFixedSize(clientWidth, clientHeight);
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  help_ = new QPushButton(QStringLiteral("&Help"), this);
  ok_->setDefault(true);
  help_->setVisible(helpContext != 0);
  connect(ok_, &QPushButton::clicked, this, [this] { SetModalResult(mrOk); });
  connect(cancel_, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
  // No help system is attached: the button only exists with a help context.
}

void TCustomdxPSFmtDialog::PlaceButtons(int top, int right, int width, int gap) {
  const int height = 23;
  const int helpLeft = right - width;
  const int cancelLeft = helpLeft - gap - width;
  const int okLeft = cancelLeft - gap - width;
  help_->setGeometry(helpLeft, top, width, height);
  if (helpContext_ != 0) {
    ok_->setGeometry(okLeft, top, width, height);
    cancel_->setGeometry(cancelLeft, top, width, height);
  } else {
    ok_->setGeometry(cancelLeft, top, width, height);
    cancel_->setGeometry(helpLeft, top, width, height);
  }
}

int TCustomdxPSFmtDialog::ShowModal() {
  modalResult_ = mrNone;
  modified_ = false;
  if (!RunModal()) return mrCancel;
  // A run that ended without an answer counts as cancelled.
  if (modalResult_ == mrNone) modalResult_ = mrCancel;
  hide();
  return modalResult_;
}

void TCustomdxPSFmtDialog::SetModalResult(int result) {
  if (result == mrOk && !CanCloseOk()) return;
  modalResult_ = result;
  EndRun();
}

void TCustomdxPSFmtDialog::keyPressEvent(QKeyEvent* e) {
  const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (e->key() == Qt::Key_Escape && plain) {
    SetModalResult(mrCancel);
    e->accept();
    return;
  }
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && plain && ok_->isEnabled()) {
    SetModalResult(mrOk);
    e->accept();
    return;
  }
  TCustomdxPSForm::keyPressEvent(e);
}

void TCustomdxPSFmtDialog::closeEvent(QCloseEvent* e) {
  if (modalResult_ == mrNone) SetModalResult(mrCancel);
  e->accept();
}

// ---- Date and time formats -----------------------------------------------------------

TdxfmDateTimeFormats::TdxfmDateTimeFormats(TdxDateTimeFormatDlgData& data, QWidget* parent)
    : TCustomdxPSFmtDialog(282, 342, data.HelpContext, parent),
      data_(data),
      dateIndex_(data.DateFormatIndex),
      timeIndex_(data.TimeFormatIndex),
      autoUpdateValue_(data.AutoUpdateDateTime) {
  setWindowTitle(QStringLiteral("Date and Time"));

  dateLabel_ = new TdxPSFocusLabel(QStringLiteral("&Available Date Formats:"), this);
  dateLabel_->setGeometry(8, 8, 266, 14);
  dateList_ = new QListWidget(this);
  dateList_->setGeometry(8, 24, 266, 150);
  dateLabel_->setBuddy(dateList_);

  timeLabel_ = new TdxPSFocusLabel(QStringLiteral("Available &Time Formats:"), this);
  timeLabel_->setGeometry(8, 182, 266, 14);
  timeList_ = new QListWidget(this);
  timeList_->setGeometry(8, 198, 266, 68);
  timeLabel_->setBuddy(timeList_);

  autoUpdate_ = new QCheckBox(QStringLiteral("&Update Automatically"), this);
  autoUpdate_->setGeometry(8, 276, 180, 17);
  default_ = new QPushButton(QStringLiteral("&Default..."), this);
  default_->setGeometry(199, 273, 75, 23);
  PlaceButtons(311, 274);

  // Today's date and the current time, each in every picture of its list.
  filling_ = true;
  const double now = dxNow();
  for (const std::string& picture : *data.DateFormats) dateList_->addItem(ToQ(dxFormatDate(now, picture)));
  for (const std::string& picture : *data.TimeFormats) timeList_->addItem(ToQ(dxFormatTime(now, picture)));
  dateList_->setCurrentRow(data.DateFormatIndex);
  timeList_->setCurrentRow(data.TimeFormatIndex);
  autoUpdate_->setChecked(data.AutoUpdateDateTime);
  default_->setVisible(data.ShowAsDefaultButton);
  filling_ = false;
  UpdateDefaultButton();

  const auto choose = [this](QListWidget* list, int& index) {
    return [this, list, &index] {
      if (filling_ || list->currentRow() < 0) return;
      index = list->currentRow();
      SetModified();
      UpdateDefaultButton();
    };
  };
  connect(dateList_, &QListWidget::currentRowChanged, this, choose(dateList_, dateIndex_));
  connect(dateList_, &QListWidget::itemClicked, this, choose(dateList_, dateIndex_));
  connect(timeList_, &QListWidget::currentRowChanged, this, choose(timeList_, timeIndex_));
  connect(timeList_, &QListWidget::itemClicked, this, choose(timeList_, timeIndex_));
  connect(dateList_, &QListWidget::itemDoubleClicked, this, [this] { SetModalResult(mrOk); });
  connect(timeList_, &QListWidget::itemDoubleClicked, this, [this] { SetModalResult(mrOk); });
  connect(autoUpdate_, &QCheckBox::clicked, this, [this](bool checked) {
    autoUpdateValue_ = checked;
    SetModified();
  });
  connect(default_, &QPushButton::clicked, this, [this] { AskDefault(); });
}

void TdxfmDateTimeFormats::UpdateDefaultButton() {
  default_->setEnabled(dateList_->currentRow() >= 0 && timeList_->currentRow() >= 0);
}

void TdxfmDateTimeFormats::AskDefault() {
  try {
    const std::string date = dateList_->currentItem() ? FromQ(dateList_->currentItem()->text()) : "";
    const std::string time = timeList_->currentItem() ? FromQ(timeList_->currentItem()->text()) : "";
    if (MessageQuestion(Format("Do you want to change the default date and time formats to match \"%s\"  - \"%s\" ?",
                               date.c_str(), time.c_str()))) {
      makeDefault_ = true;
      SetModified();
    }
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
}

void TdxfmDateTimeFormats::Apply() {
  data_.DateFormatIndex = dateIndex_;
  data_.TimeFormatIndex = timeIndex_;
  data_.AutoUpdateDateTime = autoUpdateValue_;
  data_.SetDateTimeFormatAsDefault = makeDefault_;
}

bool DateTimeFormatsDialog(TdxDateTimeFormatDlgData* data) {
  if (!data || !data->DateFormats || !data->TimeFormats) return false;
  if (data->DateFormatIndex < 0 || data->DateFormatIndex >= int(data->DateFormats->size())) return false;
  if (data->TimeFormatIndex < 0 || data->TimeFormatIndex >= int(data->TimeFormats->size())) return false;
  TdxfmDateTimeFormats dialog(*data);
  const bool result = dialog.ShowModal() == mrOk && dialog.Modified();
  if (result) dialog.Apply();
  return result;
}

// ---- Page number format --------------------------------------------------------------

TdxfmPageNumberFormat::TdxfmPageNumberFormat(TdxPageNumberFormatDlgData& data, QWidget* parent)
    : TCustomdxPSFmtDialog(247, 209, data.HelpContext, parent),
      data_(data),
      formatIndex_(int(data.PageNumberFormat)),
      continuous_(data.ContinuousPageIndexesSupported && data.ContinuousPageIndexes),
      startPageIndex_(std::clamp(data.StartPageIndex, 1, kMaxStartPageIndex)) {
  setWindowTitle(QStringLiteral("Page Number Format"));

  formatLabel_ = new TdxPSFocusLabel(QStringLiteral("Number &Format:"), this);
  // The label takes the width its text needs in the font at hand; the list
  // keeps its right edge.
  const int labelWidth = std::max(86, formatLabel_->sizeHint().width());
  formatLabel_->setGeometry(8, 12, labelWidth, 14);
  formats_ = new QComboBox(this);
  formats_->setGeometry(10 + labelWidth, 8, 229 - labelWidth, 22);
  formatLabel_->setBuddy(formats_);
  formatLabel_->OnClick = [this] {
    formats_->setFocus(Qt::MouseFocusReason);
    formats_->showPopup();
  };

  group_ = new QGroupBox(QStringLiteral("Page Numbering"), this);
  group_->setGeometry(8, 40, 231, 88);
  continue_ = new QRadioButton(QStringLiteral("&Continue from Previous Section"), group_);
  continue_->setGeometry(12, 22, 212, 17);
  startAt_ = new QRadioButton(QStringLiteral("Start &at:"), group_);
  startAt_->setGeometry(12, 55, 80, 17);
  startEdit_ = new TdxPSValueEdit(group_);
  startEdit_->setGeometry(96, 52, 80, std::max(22, startEdit_->MinimumBoxHeight()));
  startEdit_->SetMinValue(1);
  startEdit_->SetMaxValue(kMaxStartPageIndex);

  default_ = new QPushButton(QStringLiteral("&Default..."), this);
  default_->setGeometry(8, 140, 75, 23);
  PlaceButtons(178, 239, 73, 6);

  filling_ = true;
  for (const std::string& caption : *data.PageNumberFormats) formats_->addItem(ToQ(caption));
  formats_->setCurrentIndex(formatIndex_);
  continue_->setEnabled(data.ContinuousPageIndexesSupported);
  continue_->setChecked(continuous_);
  startAt_->setChecked(!continuous_);
  startEdit_->SetIntValueType(TdxPSValueEdit::FromPageNumberFormat(data.PageNumberFormat));
  if (continuous_)
    startEdit_->clear();
  else
    startEdit_->SetValue(startPageIndex_);
  default_->setVisible(data.ShowAsDefaultButton);
  filling_ = false;

  connect(formats_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (filling_ || index < 0) return;
    // The number stays and shows in the new style; an empty box stays empty.
    const bool empty = startEdit_->text().isEmpty();
    startEdit_->SetIntValueType(TdxPSValueEdit::FromPageNumberFormat(TdxPageNumberFormat(index)));
    if (empty) startEdit_->clear();
    formatIndex_ = index;
    SetModified();
  });
  startEdit_->OnChange = [this](TdxPSSpinEdit&) {
    if (filling_) return;
    if (continuous_) {
      continuous_ = false;
      startAt_->setChecked(true);
    }
    SetModified();
  };
  startEdit_->OnExit = [this](TdxPSSpinEdit&) {
    // Leaving the box re-writes its value; with continuation on it stays empty.
    if (continuous_)
      startEdit_->clear();
    else
      StoreStartValue();
  };
  connect(continue_, &QRadioButton::clicked, this, [this] {
    if (continuous_) return;
    continuous_ = true;
    startEdit_->clear();
    SetModified();
  });
  connect(startAt_, &QRadioButton::clicked, this, [this] {
    if (!continuous_) return;
    continuous_ = false;
    startEdit_->SetValue(1);
    startEdit_->setFocus(Qt::OtherFocusReason);
    StoreStartValue();
    SetModified();
  });
  connect(default_, &QPushButton::clicked, this, [this] {
    try {
      const std::string caption = FromQ(formats_->currentText());
      if (MessageQuestion(
              Format("Do you want to change the default Page numbering format to match \"%s\" ?", caption.c_str()))) {
        makeDefault_ = true;
        SetModified();
      }
    } catch (const std::exception& e) {
      Application::ShowException(e);
    }
  });
}

void TdxfmPageNumberFormat::StoreStartValue() {
  if (!continuous_ && !startEdit_->text().isEmpty()) startPageIndex_ = startEdit_->AsInteger();
}

bool TdxfmPageNumberFormat::CanCloseOk() {
  // A number typed and confirmed with Enter has not left the box yet.
  StoreStartValue();
  return true;
}

void TdxfmPageNumberFormat::Apply() {
  data_.PageNumberFormat = TdxPageNumberFormat(formatIndex_);
  data_.ContinuousPageIndexes = continuous_;
  data_.StartPageIndex = startPageIndex_;
  data_.SetPageNumberFormatAsDefault = makeDefault_;
}

bool PageNumberFormatDialog(TdxPageNumberFormatDlgData* data) {
  if (!data || !data->PageNumberFormats) return false;
  const int format = int(data->PageNumberFormat);
  if (format < 0 || format >= int(data->PageNumberFormats->size()) || format > int(pnfUpperRoman)) return false;
  TdxfmPageNumberFormat dialog(*data);
  const bool result = dialog.ShowModal() == mrOk && dialog.Modified();
  if (result) dialog.Apply();
  return result;
}

// ---- The link's operations -----------------------------------------------------------

bool dxPSShowLinkDateTimeFormats(TBasedxReportLink& link) {
  TCustomdxComponentPrinter* printer = link.ComponentPrinter();
  TdxDateTimeFormatDlgData data;
  data.AutoUpdateDateTime = printer ? printer->AutoUpdateDateTime : true;
  data.DateFormats = &DateFormatList();
  data.DateFormatIndex = link.DateFormat();
  data.TimeFormats = &TimeFormatList();
  data.TimeFormatIndex = link.TimeFormat();
  data.ShowAsDefaultButton = printer != nullptr;
  if (!DateTimeFormatsDialog(&data)) return false;
  if (printer) {
    printer->AutoUpdateDateTime = data.AutoUpdateDateTime;
    // The printer first: the link's values then equal the new defaults and
    // stay unassigned.
    if (data.SetDateTimeFormatAsDefault) {
      printer->SetDateFormat(data.DateFormatIndex);
      printer->SetTimeFormat(data.TimeFormatIndex);
    }
  }
  link.SetDateFormat(data.DateFormatIndex);
  link.SetTimeFormat(data.TimeFormatIndex);
  return true;
}

bool dxPSShowLinkPageNumberFormats(TBasedxReportLink& link) {
  TCustomdxComponentPrinter* printer = link.ComponentPrinter();
  TdxPageNumberFormatDlgData data;
  data.PageNumberFormats = &PageNumberFormatList();
  data.PageNumberFormat = link.PageNumberFormat();
  data.ContinuousPageIndexesSupported = link.IsSupportedContinuousPageIndexes();
  data.ContinuousPageIndexes = link.ContinuousPageIndexes();
  data.StartPageIndex = link.StartPageIndex();
  data.ShowAsDefaultButton = printer != nullptr;
  if (!PageNumberFormatDialog(&data)) return false;
  if (printer && data.SetPageNumberFormatAsDefault) printer->SetPageNumberFormat(data.PageNumberFormat);
  link.SetPageNumberFormat(data.PageNumberFormat);
  link.SetStartPageIndex(data.StartPageIndex);
  if (data.ContinuousPageIndexesSupported) link.SetContinuousPageIndexes(data.ContinuousPageIndexes);
  return true;
}

bool dxPSShowLinkTitleProperties(TBasedxReportLink& link) {
  if (!link.CanChangeTitle()) return false;
  // Assigning the edited copy re-calculates the page layout when the title's
  // text, mode, font or scaling changed.
  if (!ReportTitleDialog(0, link.ReportTitle())) return false;
  TCustomdxComponentPrinter* printer = link.ComponentPrinter();
  if (printer && printer->Previewing() && link.DataProviderPresent()) link.Rebuild();
  return true;
}

void dxPSRegisterFormatDialogs() {
  TdxReportLinkDialogs& dialogs = dxPSReportLinkDialogs();
  dialogs.DateTimeFormats = dxPSShowLinkDateTimeFormats;
  dialogs.PageNumberFormats = dxPSShowLinkPageNumberFormats;
  dialogs.TitleProperties = dxPSShowLinkTitleProperties;
}
