// The print dialog's print styles panel and the handlers of its controls:
// printer, properties, network printer, print to file, page range, collation,
// styles, page setup, preview, and the checks before OK.
#include "dialogs/PrintDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QUrl>
#include <algorithm>
#include <array>

#include "editors/DialogControls.h"
#include "dialogs/PrintStyles.h"
#include "engine/ComponentPrinter.h"
#include "layout/PrintDevice.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/MessageDialogs.h"
#include "platform/Registry.h"
#include "report/EventBus.h"
#include "report/ImageList.h"
#include "dialogs/PrintDialogHelpers.h"
#include "platform/QtStrings.h"

namespace M = dxPSPrintDialogMessages;
using namespace PrintDialogHelpers;

namespace {

std::string RemoveSpaces(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

}  // namespace

// ---- Print styles panel ----------------------------------------------------------------------

void TdxfmPrintDialog::SetStylesShown(bool value) {
  stylesShown_ = value;
  if (StylesAvailable()) btnPageSetup2_->setIcon(ArrowGlyph(stylesShown_));
  LayOut();
}

void TdxfmPrintDialog::ReadStylesShown() {
  const std::string key = LayoutKey();
  if (key.empty()) return;
  try {
    TRegistry registry;
    if (registry.OpenKeyReadOnly(key) && registry.ValueExists("Maximized"))
      stylesShown_ = registry.ReadBool("Maximized");
  } catch (const std::exception&) {
    // The stored layout is a convenience only.
  }
}

void TdxfmPrintDialog::WriteStylesShown() {
  const std::string key = LayoutKey();
  if (key.empty()) return;
  try {
    TRegistry registry;
    if (registry.OpenKey(key, true)) registry.WriteBool("Maximized", stylesShown_);
  } catch (const std::exception&) {
  }
}

// ---- Handlers ----------------------------------------------------------------------------

void TdxfmPrintDialog::PrinterChosen(int index) {
  if (filling_ || index < 0) return;
  TdxPrintDevice& device = GetPrintDevice();
  bool chosen = false;
  dxPSStartWait();
  try {
    device.SelectPrinter(index);
    // A printer that can no longer be opened leaves none selected.
    if (device.SelectedPrinter() != index) throw EdxPrintDevice(dxPrnDevMessages::InvalidPrinter);
    chosen = true;
  } catch (const std::exception& e) {
    dxPSStopWait();
    Application::ShowException(e);
    dxPSStartWait();
    // The list is brought up to date: a vanished printer leaves it.
    try {
      if (!device.JobActive()) device.RefreshPrinters();
    } catch (const std::exception&) {
    }
    FillPrinters();
  }
  dxPSStopWait();
  ReadPrinterState();
  UpdateCopiesRange();
  if (chosen) ChangedThroughPrinter();
  UpdateControlsState();
}

void TdxfmPrintDialog::PropertiesClick() {
  TdxPrintDevice& device = GetPrintDevice();
  if (device.JobActive()) {
    MessageWarning(M::PrinterIsPrinting);
    return;
  }
  try {
    data_.Copies = sePageCopies_->AsInteger();
    device.SetCopies(data_.Copies);
    device.SetCollate(chbxCollate_->isChecked());
    if (!device.EditPrinterSettings(this)) return;
    data_.Copies = std::max(1, device.Copies());
    data_.Collate = device.Collate();
    sePageCopies_->SetValue(data_.Copies);
    chbxCollate_->setChecked(data_.Collate);
    ReadPrinterState();
    ChangedThroughPrinter();
    UpdateControlsState();
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
}

void TdxfmPrintDialog::NetworkClick() {
  TdxPrintDevice& device = GetPrintDevice();
  try {
    if (!device.ConnectNetworkPrinter(this)) return;
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
  FillPrinters();
  ReadPrinterState();
  UpdateCopiesRange();
  ChangedThroughPrinter();
  UpdateControlsState();
}

void TdxfmPrintDialog::PrintToFileClick() {
  data_.PrintToFile = chbxPrintToFile_->isChecked();
  UpdateControlsState();
  if (data_.PrintToFile) {
    if (cbxFileName_->count() > 0) cbxFileName_->setCurrentIndex(0);
    btnBrowse_->setFocus();
  }
}

void TdxfmPrintDialog::BrowseClick() {
  TFileDialog dialog(TFileDialogKind::SaveFile);
  dialog.Title = M::ChooseFileName;
  dialog.Filter = Format(M::FileFilter, M::AllFiles, M::PrinterFiles);
  dialog.FilterIndex = 2;
  dialog.DefaultExt = "prn";
  dialog.FileName = FromQ(cbxFileName_->currentText());
  // The overwrite question comes when the dialog is confirmed.
  dialog.OverwritePrompt = false;
  if (dialog.Execute(this)) cbxFileName_->setEditText(ToQ(dialog.FileName));
}

void TdxfmPrintDialog::RangeKindClick(TdxPageRangeKind kind) {
  data_.PageRangeKind = kind;
  if (kind == prkPageRanges) {
    edPageRanges_->setFocus();
    edPageRanges_->selectAll();
  } else {
    edPageRanges_->clear();
    if (wpPageRanges_->State()) wpPageRanges_->SetStateAndText(false, wpPageRanges_->Text());
    wpPageRanges_->hide();
  }
}

void TdxfmPrintDialog::PageRangesEdited() {
  if (!edPageRanges_->hasFocus()) return;
  rbtnPageRanges_->setChecked(true);
  data_.PageRangeKind = prkPageRanges;
}

void TdxfmPrintDialog::PageRangesExit(QWidget* newFocus, bool check) {
  const std::string text = RemoveSpaces(FromQ(edPageRanges_->text()));
  if (ToQ(text) != edPageRanges_->text()) edPageRanges_->setText(ToQ(text));
  data_.PageRanges = text;
  if (!check || !rbtnPageRanges_->isChecked()) return;
  if (newFocus == rbtnAllPages_ || newFocus == rbtnCurrentPage_ || newFocus == rbtnSelection_) return;
  if (newFocus && newFocus->window() != this) return;
  std::string message;
  switch (dxPSCheckPageRanges(text, data_.MinPage, data_.MaxPage)) {
    case prcInvalid: message = M::InvalidPageRanges; break;
    case prcOutOfRange: message = Format(M::PageNumbersOutOfRange, data_.MinPage, data_.MaxPage); break;
    default: break;
  }
  if (message.empty()) {
    if (wpPageRanges_->State()) wpPageRanges_->SetStateAndText(false, wpPageRanges_->Text());
    wpPageRanges_->hide();
    return;
  }
  if (newFocus != btnOK_ && newFocus != btnCancel_) dxPSBeep();
  wpPageRanges_->show();
  wpPageRanges_->raise();
  wpPageRanges_->SetStateAndText(true, message);
}

void TdxfmPrintDialog::CollateClick() {
  data_.Collate = chbxCollate_->isChecked();
  pbxCollate_->update();
}

void TdxfmPrintDialog::CollatePictureDblClick() {
  if (!chbxCollate_->isEnabled()) return;
  chbxCollate_->setChecked(!chbxCollate_->isChecked());
  CollateClick();
}

void TdxfmPrintDialog::StyleClicked(int row) {
  if (filling_) return;
  TdxPrintStyleManager* manager = data_.StyleManager;
  TBasedxPrintStyle* style = manager ? manager->Styles(row) : nullptr;
  if (!style) return;
  manager->SetCurrentStyle(style);
  ChangedThroughPrinter();
  UpdateControlsState();
}

void TdxfmPrintDialog::StylePageSetupClick() {
  TBasedxPrintStyle* style = SelectedStyle();
  if (!style) return;
  bool printChosen = false;
  if (style->PageSetup(0, &requested_, &printChosen)) ChangedThroughPrinter();
  if (requested_) CloseConfirmed();
}

void TdxfmPrintDialog::DefineStylesClick() {
  TdxPrintStyleManager* manager = data_.StyleManager;
  if (!manager) return;
  bool printChosen = false;
  manager->DefinePrintStyles(&requested_, &printChosen);
  ChangedThroughPrinter();
  FillStyles();
  UpdateControlsState();
  if (requested_) CloseConfirmed();
}

void TdxfmPrintDialog::StyleOptionsClick() {
  TBasedxPrintStyle* style = SelectedStyle();
  if (!style) return;
  if (style->EditOptions()) {
    ChangedThroughPrinter();
    UpdateControlsState();
  }
}

void TdxfmPrintDialog::ShowStylesMenu(const QPoint& pos) {
  const QList<QAction*> actions = pmPrintStyles_->actions();
  for (QAction* action : actions) {
    if (action->objectName() == "miPageSetup") action->setEnabled(btnPageSetup_->isEnabled());
    if (action->objectName() == "miStyleOptions") action->setEnabled(btnStyleOptions_->isEnabled());
    if (action->objectName() == "miDefineStyles") action->setEnabled(btnDefineStyles_->isEnabled());
  }
  pmPrintStyles_->popup(lbxPrintStyles_->viewport()->mapToGlobal(pos));
}

void TdxfmPrintDialog::PageSetupClick() {
  if (StylesAvailable()) {
    SetStylesShown(!stylesShown_);
    return;
  }
  if (!events_ || !events_->OnPageSetup) return;
  bool done = true;
  try {
    events_->OnPageSetup(this, done, nullptr, requested_);
  } catch (const std::exception& e) {
    Application::ShowException(e);
    return;
  }
  if (done) {
    ReadPrinterState();
    UpdateControlsState();
    ChangedThroughPrinter();
  }
  if (requested_) CloseConfirmed();
}

void TdxfmPrintDialog::PreviewClick() {
  requested_ = true;
  SetModalResult(mrCancel);
}

void TdxfmPrintDialog::OKClick() {
  if (!btnOK_->isEnabled()) return;
  if (validate_ && !CheckInput()) return;
  CloseConfirmed();
}

void TdxfmPrintDialog::CancelClick() { SetModalResult(mrCancel); }

bool TdxfmPrintDialog::CheckInput() {
  if (chbxPrintToFile_->isChecked()) {
    const std::string typed = FromQ(cbxFileName_->currentText());
    if (typed.empty()) {
      MessageWarning(M::EnterFileName);
      cbxFileName_->setFocus();
      return false;
    }
    std::string completed, shown;
    if (!dxPSCompletePrintFileName(typed, completed, shown)) {
      MessageWarning(Format(M::InvalidFileName, shown.c_str()));
      cbxFileName_->setFocus();
      return false;
    }
    if (QFileInfo::exists(ToQ(completed)) && !MessageQuestion(Format(M::FileExists, completed.c_str()))) {
      cbxFileName_->setFocus();
      return false;
    }
    return true;
  }
  if (!rbtnPageRanges_->isChecked()) return true;
  const std::string text = RemoveSpaces(FromQ(edPageRanges_->text()));
  std::string message;
  switch (dxPSCheckPageRanges(text, data_.MinPage, data_.MaxPage)) {
    case prcEmpty: message = M::EnterPageNumbers; break;
    case prcInvalid: message = M::InvalidPageRanges; break;
    case prcOutOfRange: message = Format(M::PageNumbersOutOfRange, data_.MinPage, data_.MaxPage); break;
    case prcValid: break;
  }
  if (message.empty()) return true;
  MessageWarning(message);
  edPageRanges_->setFocus();
  return false;
}

void TdxfmPrintDialog::ApplyConfirmed() {
  data_.PageRanges = RemoveSpaces(FromQ(edPageRanges_->text()));
  data_.Copies = sePageCopies_->AsInteger();
  data_.Collate = chbxCollate_->isChecked();
  data_.NumberOfPages = std::uint8_t(std::clamp(cbxNumberOfPages_->currentIndex(), 0, 2));
  data_.PrintToFile = chbxPrintToFile_->isChecked();
  if (rbtnPageRanges_->isChecked())
    data_.PageRangeKind = prkPageRanges;
  else if (rbtnCurrentPage_->isChecked())
    data_.PageRangeKind = prkCurrentPage;
  else if (rbtnSelection_->isChecked())
    data_.PageRangeKind = prkSelection;
  else if (rbtnAllPages_->isChecked())
    data_.PageRangeKind = prkAll;
  if (!data_.PrintToFile) return;
  std::string completed, shown;
  if (!dxPSCompletePrintFileName(FromQ(cbxFileName_->currentText()), completed, shown)) return;
  data_.FileName = completed;
  auto& names = data_.FileNames;
  const auto found = std::find(names.begin(), names.end(), completed);
  if (found == names.end())
    names.insert(names.begin(), completed);
  else
    std::iter_swap(names.begin(), found);
}

void TdxfmPrintDialog::CloseConfirmed() {
  ApplyConfirmed();
  SetModalResult(mrOk);
}

void TdxfmPrintDialog::SetModalResult(TModalResult value) {
  modalResult_ = value;
  if (value != mrNone) EndRun();
}
