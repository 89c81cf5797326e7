// The print dialog: the printer with its state, its properties and network
// printers, print to file, which pages (all, the current page, a selection or
// page ranges such as 1,3,5-12, all or only even or odd ones), copies and
// collation, print styles with their page setup, and the way to the preview.
//
// The component printer reaches the dialog through dxPSShowPrintDialog; the
// dialog is installed there by dxPSRegisterPrintDialog(). The dialog works on
// a copy of the caller's TdxPrintDialogData and writes it back only when the
// user confirms.
//
// The printer data come from the print device: the printer list with default
// and network marks, and the state the spooler reports (status, waiting jobs,
// make and model, device address, description and location).
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/EngineWindow.h"
#include "engine/PrintDialogData.h"
#include "platform/Canvas.h"
#include "report/EventSubscribers.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class TBasedxPrintStyle;
class TdxPSSpinEdit;
class TdxPSWarningPane;
class TdxStyleListChangedSubscriber;

namespace dxPSPrintDialogMessages {
inline constexpr const char* PrinterGroup = " Printer ";
inline constexpr const char* Name = "&Name:";
inline constexpr const char* Properties = "P&roperties...";
inline constexpr const char* Network = "Net&work...";
inline constexpr const char* Status = "Status:";
inline constexpr const char* Type = "Type:";
inline constexpr const char* Where = "Where:";
inline constexpr const char* Comment = "Comment:";
inline constexpr const char* PrintToFile = "Print to &File";
inline constexpr const char* Browse = "&Browse...";
inline constexpr const char* PageRangeGroup = " Page range ";
inline constexpr const char* AllPages = "&All";
inline constexpr const char* CurrentPage = "Curr&ent Page";
inline constexpr const char* Selection = "&Selection";
inline constexpr const char* Pages = "&Pages:";
inline constexpr const char* Description =
    "Enter page number and/or page ranges\n\rseparated by commas. For example: 1,3,5-12.";
inline constexpr const char* CopiesGroup = " Copies ";
inline constexpr const char* NumberOfPages = "N&umber of Pages:";
inline constexpr const char* PageFilterAll = "All";
inline constexpr const char* PageFilterEven = "Even";
inline constexpr const char* PageFilterOdd = "Odd";
inline constexpr const char* NumberOfCopies = "Number of &Copies:";
inline constexpr const char* CollateCopies = "Colla&te Copies";
inline constexpr const char* PrintStylesGroup = " Print St&yles ";
inline constexpr const char* PageSetup = "Pa&ge Setup...";
inline constexpr const char* DefineStyles = "&Define Styles...";
inline constexpr const char* StyleOptions = "Style Options...";
inline constexpr const char* PrintStyles = "Print Styles";
inline constexpr const char* Preview = "Pre&view...";
inline constexpr const char* Print = "Print...";
inline constexpr const char* Cancel = "Cancel";
inline constexpr const char* Close = "Close";
inline constexpr const char* Help = "&Help";

inline constexpr const char* PrintingJobs = "Printing: %d document(s) waiting";
inline constexpr const char* PrinterIsPrinting = "Printer is currently printing.\n\rPlease wait.";
inline constexpr const char* NoPrinters =
    "No printers are installed. To install a printer, point to Settings on the Windows Start menu, click "
    "Printers, and then double-click Add Printer. Follow the instructions in the wizard.";

inline constexpr const char* ChooseFileName = "Choose File Name";
inline constexpr const char* FileFilter = "%s (*.*)|*.*|%s (*.prn)|*.PRN";
inline constexpr const char* AllFiles = "All Files";
inline constexpr const char* PrinterFiles = "Printer Files";
inline constexpr const char* EnterFileName = "Enter file name.";
inline constexpr const char* InvalidFileName = "Invalid File Name \"%s\"";
inline constexpr const char* FileExists = "File \"%s\" already exists. Overwrite ?";
inline constexpr const char* EnterPageNumbers = "Enter page numbers";
inline constexpr const char* InvalidPageRanges = "Invalid page ranges";
inline constexpr const char* PageNumbersOutOfRange = "Page numbers out of range (%d - %d)";
}  // namespace dxPSPrintDialogMessages

// The status text of a printer status value (the platform's printer status
// bits): "Ready" for 0, one text per single bit, nothing for anything else
// (combinations included).
std::string dxPSPrinterStatusText(std::uint32_t status);

// Completes a print-to-file name as typed: a name in quotes (more than the two
// quotes) is taken as it is without them, any other name without an extension
// gets ".prn"; blanks around it are removed. False (with the name to show in
// the message) when the name is empty after that, holds one of < > " [ ] |,
// names a folder, or lies in a folder that does not exist.
bool dxPSCompletePrintFileName(const std::string& typed, std::string& completed, std::string& shown);

// The collation picture into box: small numbered pages, two stacks of pages
// 1, 2, 3 when collated, else three stacks of two pages each.
void dxPSDrawCollatePicture(TCanvas& canvas, const TRect& box, bool collate);

class TdxfmPrintDialog : public TCustomdxPSForm {
 public:
  explicit TdxfmPrintDialog(QWidget* parent = nullptr);
  ~TdxfmPrintDialog() override;

  std::string FormClassName() const override { return "TdxfmPrintDialog"; }
  bool Sizeable() const override { return false; }

  // Takes the caption, buttons, options, handlers and a copy of the dialog
  // data, reads the printer's state and lays the window out.
  void Initialize(TdxPrintDlgData& data);
  // Shows the window modally (the show handler after it is shown, the hide
  // handler before it hides); true when confirmed.
  bool Execute();

  // The dialog's copy of the data (written back by the caller on OK).
  const TdxPrintDialogData& DialogData() const { return data_; }
  bool Requested() const { return requested_; }
  TModalResult ModalResult() const { return modalResult_; }
  // Any result other than mrNone closes the window.
  void SetModalResult(TModalResult value);
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int value);

  // Reads the current printer's state again (status, type, where, comment).
  void ReadPrinterState();
  // The enabling rules.
  void UpdateControlsState();
  // Whether the print styles panel is shown.
  bool PrintStylesShown() const { return stylesShown_; }

  // ---- Controls ----
  QGroupBox* PrinterGroup() const { return gbxPrinter_; }
  QComboBox* Printers() const { return cbxPrinters_; }
  QLabel* NameLabel() const { return lblName_; }
  QPushButton* PropertiesButton() const { return btnPrinterProperties_; }
  QPushButton* NetworkButton() const { return btnNetwork_; }
  QLabel* StatusValue() const { return lblStatusValue_; }
  QLabel* TypeValue() const { return lblTypeValue_; }
  QLabel* WhereValue() const { return lblWhereValue_; }
  QLabel* CommentValue() const { return lblCommentValue_; }
  QWidget* PrintToFilePanel() const { return pnlPrintToFile_; }
  QCheckBox* PrintToFileCheck() const { return chbxPrintToFile_; }
  QComboBox* FileNames() const { return cbxFileName_; }
  QPushButton* BrowseButton() const { return btnBrowse_; }
  QGroupBox* PageRangeGroup() const { return gbxPageRange_; }
  QRadioButton* AllPagesButton() const { return rbtnAllPages_; }
  QRadioButton* CurrentPageButton() const { return rbtnCurrentPage_; }
  QRadioButton* SelectionButton() const { return rbtnSelection_; }
  QRadioButton* PageRangesButton() const { return rbtnPageRanges_; }
  QLineEdit* PageRangesEdit() const { return edPageRanges_; }
  QLabel* DescriptionLabel() const { return lblDescription_; }
  TdxPSWarningPane* WarningPane() const { return wpPageRanges_; }
  QGroupBox* CopiesGroup() const { return gbxCopies_; }
  QLabel* NumberOfPagesLabel() const { return lblNumberOfPages_; }
  QComboBox* NumberOfPages() const { return cbxNumberOfPages_; }
  QLabel* CopiesLabel() const { return lblCopies_; }
  TdxPSSpinEdit* Copies() const { return sePageCopies_; }
  QCheckBox* CollateCheck() const { return chbxCollate_; }
  QWidget* CollatePicture() const { return pbxCollate_; }
  QGroupBox* PrintStylesPanel() const { return pnlPrintStyles_; }
  QListWidget* PrintStyles() const { return lbxPrintStyles_; }
  QPushButton* StylePageSetupButton() const { return btnPageSetup_; }
  QPushButton* DefineStylesButton() const { return btnDefineStyles_; }
  QPushButton* StyleOptionsButton() const { return btnStyleOptions_; }
  QMenu* PrintStylesMenu() const { return pmPrintStyles_; }
  QPushButton* PageSetupButton() const { return btnPageSetup2_; }
  QPushButton* PreviewButton() const { return btnPreview_; }
  QPushButton* OKButton() const { return btnOK_; }
  QPushButton* CancelButton() const { return btnCancel_; }
  QPushButton* HelpButton() const { return btnHelp_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class TPageRangesEdit;
  class TCollatePaintBox;
  friend class TPageRangesEdit;

  void CreateControls();
  void LayOut();
  void FillPrinters();
  void FillFileNames();
  void FillStyles();
  void SyncPrinterSelection();
  void UpdateCopiesRange();
  void ChangedThroughPrinter();
  TBasedxPrintStyle* SelectedStyle() const;
  bool StylesAvailable() const;
  void SetStylesShown(bool value);
  void ReadStylesShown();
  void WriteStylesShown();

  // Handlers.
  void PrinterChosen(int index);
  void PropertiesClick();
  void NetworkClick();
  void PrintToFileClick();
  void BrowseClick();
  void RangeKindClick(TdxPageRangeKind kind);
  void PageRangesEdited();
  void PageRangesExit(QWidget* newFocus, bool check);
  void CollateClick();
  void CollatePictureDblClick();
  void StyleClicked(int row);
  void StylePageSetupClick();
  void DefineStylesClick();
  void StyleOptionsClick();
  void ShowStylesMenu(const QPoint& pos);
  void PageSetupClick();
  void PreviewClick();
  void OKClick();
  void CancelClick();
  bool CheckInput();
  void CloseConfirmed();
  void ApplyConfirmed();

  TdxPrintDialogData data_;
  TdxPrintDlgEvents* events_ = nullptr;
  std::uint8_t buttonsEnabled_ = pdbAll;
  std::uint8_t buttonsVisible_ = pdbAll;
  std::uint8_t optionsEnabled_ = pdoAll;
  std::uint8_t optionsVisible_ = pdoAll;
  bool validate_ = true;
  bool requested_ = false;
  TModalResult modalResult_ = mrNone;
  int helpContext_ = 0;
  bool stylesShown_ = true;
  bool filling_ = false;
  std::unique_ptr<TdxStyleListChangedSubscriber> styleListSubscriber_;

  QGroupBox* gbxPrinter_;
  QLabel* lblName_;
  QComboBox* cbxPrinters_;
  QPushButton* btnPrinterProperties_;
  QPushButton* btnNetwork_;
  QLabel* lblStatus_;
  QLabel* lblType_;
  QLabel* lblWhere_;
  QLabel* lblComment_;
  QLabel* lblStatusValue_;
  QLabel* lblTypeValue_;
  QLabel* lblWhereValue_;
  QLabel* lblCommentValue_;
  QWidget* pnlPrintToFile_;
  QCheckBox* chbxPrintToFile_;
  QComboBox* cbxFileName_;
  QPushButton* btnBrowse_;
  QGroupBox* gbxPageRange_;
  QRadioButton* rbtnAllPages_;
  QRadioButton* rbtnCurrentPage_;
  QRadioButton* rbtnSelection_;
  QRadioButton* rbtnPageRanges_;
  QLineEdit* edPageRanges_;
  QLabel* lblDescription_;
  TdxPSWarningPane* wpPageRanges_;
  QGroupBox* gbxCopies_;
  QLabel* lblNumberOfPages_;
  QComboBox* cbxNumberOfPages_;
  QLabel* lblCopies_;
  TdxPSSpinEdit* sePageCopies_;
  QCheckBox* chbxCollate_;
  QWidget* pbxCollate_;
  QGroupBox* pnlPrintStyles_;
  QListWidget* lbxPrintStyles_;
  QPushButton* btnPageSetup_;
  QPushButton* btnDefineStyles_;
  QPushButton* btnStyleOptions_;
  QMenu* pmPrintStyles_;
  QPushButton* btnPageSetup2_;
  QPushButton* btnPreview_;
  QPushButton* btnOK_;
  QPushButton* btnCancel_;
  QPushButton* btnHelp_;
};

// The entry the component printer calls: false without DialogData, or when
// there are no printers (after the message); otherwise the dialog runs and
// the answer is whether the user confirmed. Requested is set from the dialog.
bool dxShowPrintDialog(TdxPrintDlgData& data);

// Installs the dialog as the component printer's print dialog.
void dxPSRegisterPrintDialog();
