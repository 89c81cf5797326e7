// The format and title dialogs of a report link: the date and time formats
// of header and footer texts, the page-number format with the number of the
// first page, the report title, and the properties of a stored report.
//
// Each dialog works on copies of what it is given and hands them back only
// when the user leaves with OK after changing something; the functions that
// run them answer true in exactly that case. Every dialog has OK, Cancel and
// "&Help"; Help shows only with a help context, and without it OK and Cancel
// move one place to the right.
//
// dxPSRegisterFormatDialogs() installs the dialogs behind the report link's
// ShowDateTimeFormatsDialog, ShowPageNumberFormatsDialog and
// ShowTitlePropertiesDialog.
#pragma once

#include <QLabel>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editors/DialogControls.h"
#include "engine/EngineWindow.h"
#include "layout/RenderLink.h"
#include "platform/Fonts.h"
#include "report/EngineUtilities.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TBasedxReportLink;
class TdxPSReportDocument;

// ---- Value box ---------------------------------------------------------------------

enum TdxIntValueType { ivtDecimal, ivtLiteral, ivtCapitalLiteral, ivtRoman, ivtCapitalRoman };

// An integer spin box (range 1 .. 10000, default 1) that shows its value as digits,
// letters (a .. z, aa ..) or Roman numerals, in lower or upper case, and reads
// it back the same way. A text that does not convert reads as the default
// value; values are brought into the box's range.
class TdxPSValueEdit : public TdxPSSpinEdit {
 public:
  explicit TdxPSValueEdit(QWidget* parent = nullptr);

  TdxIntValueType IntValueType() const { return intValueType_; }
  // Reads the value in the old style and writes it in the new one.
  void SetIntValueType(TdxIntValueType value);

  // The style in which a page-number format shows numbers.
  static TdxIntValueType FromPageNumberFormat(TdxPageNumberFormat format);

 protected:
  // Decimal: what an integer spin box takes except "-"; letters: a .. z (or
  // A .. Z); Roman: c d i l m v x (or upper case).
  bool IsValidChar(QChar c) const override;
  QString FormatValue(double value) const override;
  std::optional<double> ParseValue(const QString& numberText) const override;
  // Into the bounds and into the range of an int.
  double CheckValue(double value) const override;

 private:
  TdxIntValueType intValueType_ = ivtDecimal;
};

// ---- Common dialog form --------------------------------------------------------------

using TdxModalResult = TModalResult;


// The base of the format and title dialogs: a fixed-size engine window that
// runs modally, with OK, Cancel and Help and a changed flag.
class TCustomdxPSFmtDialog : public TCustomdxPSForm {
 public:
  TCustomdxPSFmtDialog(int clientWidth, int clientHeight, int helpContext, QWidget* parent = nullptr);

  // Shows the window modally and answers how it was closed (mrOk or
  // mrCancel); a run that ends without an answer counts as cancelled.
  int ShowModal();
  int ModalResult() const { return modalResult_; }
  // Closing with OK asks CanCloseOk first; the modal loop ends.
  void SetModalResult(int result);

  bool Modified() const { return modified_; }
  void SetModified() { modified_ = true; }
  int HelpContext() const { return helpContext_; }

  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QPushButton* HelpButton() const { return help_; }

  bool Sizeable() const override { return false; }

 protected:
  // Places OK, Cancel and Help right-aligned at top (width each, gap
  // between); without help OK and Cancel take the two places on the right.
  void PlaceButtons(int top, int right, int width = 75, int gap = 6);
  // Whether OK may close the window (the default: yes).
  virtual bool CanCloseOk() { return true; }
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

  bool filling_ = false;  // controls are being filled: their signals change nothing

 private:
  int helpContext_;
  int modalResult_ = mrNone;
  bool modified_ = false;
  QPushButton* ok_;
  QPushButton* cancel_;
  QPushButton* help_;
};

// ---- Date and time formats -------------------------------------------------------------

struct TdxDateTimeFormatDlgData {
  bool AutoUpdateDateTime = true;                       // in, out
  const std::vector<std::string>* DateFormats = nullptr;  // in
  int DateFormatIndex = 0;                              // in, out
  const std::vector<std::string>* TimeFormats = nullptr;  // in
  int TimeFormatIndex = 0;                              // in, out
  bool ShowAsDefaultButton = false;                     // in: offer "&Default..."
  bool SetDateTimeFormatAsDefault = false;              // out
  int HelpContext = 0;                                  // in
};

class TdxfmDateTimeFormats : public TCustomdxPSFmtDialog {
 public:
  explicit TdxfmDateTimeFormats(TdxDateTimeFormatDlgData& data, QWidget* parent = nullptr);
  std::string FormClassName() const override { return "TdxfmDateTimeFormats"; }

  QListWidget* DateList() const { return dateList_; }
  QListWidget* TimeList() const { return timeList_; }
  QCheckBox* AutoUpdateBox() const { return autoUpdate_; }
  QPushButton* DefaultButton() const { return default_; }
  TdxPSFocusLabel* DateLabel() const { return dateLabel_; }
  TdxPSFocusLabel* TimeLabel() const { return timeLabel_; }

  // Hands the values back after OK with a change.
  void Apply();

 private:
  void UpdateDefaultButton();
  void AskDefault();

  TdxDateTimeFormatDlgData& data_;
  int dateIndex_, timeIndex_;
  bool autoUpdateValue_;
  bool makeDefault_ = false;
  TdxPSFocusLabel* dateLabel_;
  TdxPSFocusLabel* timeLabel_;
  QListWidget* dateList_;
  QListWidget* timeList_;
  QCheckBox* autoUpdate_;
  QPushButton* default_;
};

// False at once without data or lists, or with an index outside its list.
bool DateTimeFormatsDialog(TdxDateTimeFormatDlgData* data);

// ---- Page number format ------------------------------------------------------------------

struct TdxPageNumberFormatDlgData {
  const std::vector<std::string>* PageNumberFormats = nullptr;  // in: the captions
  TdxPageNumberFormat PageNumberFormat = pnfNumeral;          // in, out
  bool ContinuousPageIndexesSupported = false;                // in
  bool ContinuousPageIndexes = false;                         // in, out
  int StartPageIndex = 1;                                     // in, out (1 .. 10000)
  bool ShowAsDefaultButton = false;                           // in
  bool SetPageNumberFormatAsDefault = false;                  // out
  int HelpContext = 0;                                        // in
};

class TdxfmPageNumberFormat : public TCustomdxPSFmtDialog {
 public:
  explicit TdxfmPageNumberFormat(TdxPageNumberFormatDlgData& data, QWidget* parent = nullptr);
  std::string FormClassName() const override { return "TdxfmPageNumberFormat"; }

  QComboBox* FormatList() const { return formats_; }
  TdxPSFocusLabel* FormatLabel() const { return formatLabel_; }
  QGroupBox* NumberingGroup() const { return group_; }
  QRadioButton* ContinueButton() const { return continue_; }
  QRadioButton* StartAtButton() const { return startAt_; }
  TdxPSValueEdit* StartAtEdit() const { return startEdit_; }
  QPushButton* DefaultButton() const { return default_; }

  void Apply();

 protected:
  bool CanCloseOk() override;

 private:
  void StoreStartValue();

  TdxPageNumberFormatDlgData& data_;
  int formatIndex_;
  bool continuous_;
  int startPageIndex_;
  bool makeDefault_ = false;
  TdxPSFocusLabel* formatLabel_;
  QComboBox* formats_;
  QGroupBox* group_;
  QRadioButton* continue_;
  QRadioButton* startAt_;
  TdxPSValueEdit* startEdit_;
  QPushButton* default_;
};

// False at once without data or captions, or with a format outside the list.
bool PageNumberFormatDialog(TdxPageNumberFormatDlgData* data);

// ---- Report title -------------------------------------------------------------------------

class TdxfmReportTitleProperties : public TCustomdxPSFmtDialog {
 public:
  // Edits a copy of title.
  TdxfmReportTitleProperties(const TdxReportTitle& title, int helpContext, QWidget* parent = nullptr);
  ~TdxfmReportTitleProperties() override;
  std::string FormClassName() const override { return "TdxfmReportTitleProperties"; }

  // The edited copy (a title without a link).
  TdxReportTitle& Title() { return title_; }

  QComboBox* ModeList() const { return mode_; }
  QTabWidget* Tabs() const { return tabs_; }
  QPlainTextEdit* TextBox() const { return text_; }
  QComboBox* HorzList() const { return horz_; }
  QComboBox* VertList() const { return vert_; }
  QCheckBox* TransparentBox() const { return transparent_; }
  TdxPSColorCombo* ColorList() const { return color_; }
  QLineEdit* FontInfo() const { return fontInfo_; }
  QPushButton* FontButton() const { return fontButton_; }
  QCheckBox* AdjustBox() const { return adjust_; }
  QPushButton* RestoreDefaultsButton() const { return restore_; }

  // The small pictures of the alignment lists: 3 x list (0 horizontal,
  // 1 vertical) + entry index.
  static QImage AlignmentGlyph(int index);

  // Writes the controls into the copy (OK does this).
  void StoreControls();

 protected:
  bool CanCloseOk() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Fill();
  void Changed();
  void ChooseFont();
  void RestoreDefaults();
  void LayoutProperties();
  // "ActivePage" under the dialog's registry key (only with a registry path).
  std::string RegistryKey() const;
  void LoadActivePage();
  void SaveActivePage();

  TdxReportTitle title_;
  TdxPSFocusLabel* modeLabel_;
  QComboBox* mode_;
  QTabWidget* tabs_;
  QWidget* textPage_;
  QWidget* propsPage_;
  QPlainTextEdit* text_;
  QGroupBox* alignment_;
  QLabel* horzLabel_;
  QLabel* vertLabel_;
  QComboBox* horz_;
  QComboBox* vert_;
  QCheckBox* transparent_;
  QLabel* colorLabel_;
  TdxPSColorCombo* color_;
  QLineEdit* fontInfo_;
  QPushButton* fontButton_;
  QCheckBox* adjust_;
  QPushButton* restore_;
};

// On true the edited copy has been assigned to title.
bool ReportTitleDialog(int helpContext, TdxReportTitle& title);

// The font dialog of the title dialog (scalable fonts, with effects).
bool dxPSExecuteFontDialog(TFont& font, QWidget* parent = nullptr);

// ---- Report properties --------------------------------------------------------------------

// What the properties sheet needs of the storage item that holds a report.
class TdxPSReportPropertiesItem {
 public:
  virtual ~TdxPSReportPropertiesItem() = default;
  virtual TdxPSReportDocument& ReportDocument() = 0;
  virtual bool IsReadOnly() const = 0;
  // Whether the report may take this name, and the item's message when not.
  virtual bool CanRename(const std::string& name) const = 0;
  virtual std::string RenameErrorText(const std::string& name) const = 0;
};

class TdxPSImageScrollBox;

class TdxfmPSReportProperties : public TCustomdxPSFmtDialog {
 public:
  TdxfmPSReportProperties(TdxPSReportPropertiesItem& item, int helpContext = 0, QWidget* parent = nullptr);
  std::string FormClassName() const override { return "TdxfmPSReportProperties"; }

  // The caption: the name in double quotes and two blanks (when there is a
  // name), then "Properties".
  static std::string CaptionFor(const std::string& name);
  // The creation date: long date, ",   ", time.
  static std::string CreationText(double dateTime);

  QTabWidget* Tabs() const { return tabs_; }
  QLineEdit* NameBox() const { return name_; }
  QLineEdit* CreatorBox() const { return creator_; }
  QLineEdit* CreatedBox() const { return created_; }
  QTabWidget* InnerTabs() const { return inner_; }
  QPlainTextEdit* DescriptionBox() const { return description_; }
  TdxPSImageScrollBox* PreviewBox() const { return preview_; }
  QPushButton* PreviewButton() const { return previewButton_; }

  // Writes name and description into the document (one update bracket).
  void Apply();

 protected:
  bool CanCloseOk() override;

 private:
  TdxPSReportPropertiesItem& item_;
  QTabWidget* tabs_;
  QLineEdit* name_;
  QLineEdit* creator_;
  QLineEdit* created_;
  QTabWidget* inner_;
  QPlainTextEdit* description_;
  TdxPSImageScrollBox* preview_;
  QPushButton* previewButton_;
};

// Runs the sheet for a stored report; true when OK wrote a change back.
bool ReportPropertiesSheet(TdxPSReportPropertiesItem& item, int helpContext = 0);

// ---- The link's operations ----------------------------------------------------------------

// Fill the records from the link, run the dialogs and apply an accepted
// change to the link (and, on request, to its printer's defaults).
bool dxPSShowLinkDateTimeFormats(TBasedxReportLink& link);
bool dxPSShowLinkPageNumberFormats(TBasedxReportLink& link);
bool dxPSShowLinkTitleProperties(TBasedxReportLink& link);

// Installs the three operations as the report link's dialogs.
void dxPSRegisterFormatDialogs();
