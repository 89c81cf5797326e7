// The print style definition window ("Define Print Styles", the manager's
// Title): the manager's styles in order, each with its glyph and caption
// (the current one in bold), and the commands that work on them at once:
// New, Copy, Delete..., Rename, Page Setup... (the style's page setup
// dialog; also a double click) and Set Current. Close ends it.
//
// dxPSRegisterDefinePrintStylesDialog() makes it what a manager's
// DefinePrintStyles opens (the print dialog's "&Define Styles..." and the
// preview's print styles menu).
#pragma once

#include <string>

#include "dialogs/FormatDialogs.h"

class QListWidget;
class QPushButton;
class TBasedxPrintStyle;
class TdxPrintStyleManager;

namespace dxPSDefineStylesTexts {
inline constexpr const char* StylesLabel = "&Styles:";
inline constexpr const char* New = "&New";
inline constexpr const char* Copy = "&Copy";
inline constexpr const char* Delete = "&Delete...";
inline constexpr const char* Rename = "&Rename";
inline constexpr const char* PageSetup = "Page Set&up...";
inline constexpr const char* SetCurrent = "Set C&urrent";
inline constexpr const char* Close = "Close";
// %s: the style's caption.
inline constexpr const char* DeleteQuestion = "Delete the print style \"%s\" ?";
}  // namespace dxPSDefineStylesTexts

class TdxfmDefinePrintStyles : public TCustomdxPSFmtDialog {
 public:
  TdxfmDefinePrintStyles(TdxPrintStyleManager& manager, bool* previewChosen, bool* printChosen,
                         QWidget* parent = nullptr);
  std::string FormClassName() const override { return "TdxfmDefinePrintStyles"; }

  QListWidget* StyleList() const { return list_; }
  QPushButton* NewButton() const { return new_; }
  QPushButton* CopyButton() const { return copy_; }
  QPushButton* DeleteButton() const { return delete_; }
  QPushButton* RenameButton() const { return rename_; }
  QPushButton* PageSetupButton() const { return pageSetup_; }
  QPushButton* SetCurrentButton() const { return setCurrent_; }
  // The style of the selected row (none without one).
  TBasedxPrintStyle* SelectedStyle() const;
  // Whether a command changed the styles.
  bool StylesChanged() const { return changed_; }

  // A new style of the default class after the last, with a caption no
  // other style has; it is selected and its caption opened for editing.
  void NewStyle();
  // A copy of the selected style right after it (the manager's copy rule
  // names it).
  void CopyStyle();
  // Asks, then destroys the selected style; the last style is kept.
  void DeleteStyle();
  // Opens the selected style's caption for editing (not for a built-in one);
  // an empty caption is not taken.
  void RenameStyle();
  // The selected style's page setup; when the user chose the preview there,
  // the window closes.
  void PageSetupStyle();
  // Makes the selected style the manager's current one.
  void SetCurrentStyle();

 private:
  // Fills the list from the manager and selects the style.
  void Refill(TBasedxPrintStyle* select);
  void UpdateButtons();
  void CaptionEdited(int row);

  TdxPrintStyleManager& manager_;
  bool* previewChosen_;
  bool* printChosen_;
  QListWidget* list_;
  QPushButton* new_;
  QPushButton* copy_;
  QPushButton* delete_;
  QPushButton* rename_;
  QPushButton* pageSetup_;
  QPushButton* setCurrent_;
  bool changed_ = false;
};

// Runs the window on the manager; answers whether the styles were changed.
bool DefinePrintStylesDialog(TdxPrintStyleManager& manager, bool* previewChosen, bool* printChosen);

void dxPSRegisterDefinePrintStylesDialog();
