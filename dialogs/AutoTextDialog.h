// The auto-text editor ("Edit AutoText Entries"): the list of ready-made
// header and footer titles (left, centre and right part separated by commas)
// with Add and Delete, the tool bar of header and footer functions that puts
// a function's token into the typed text, and a preview of the selected
// entry with its functions expanded.
//
// EditAutoTextEntries runs it on a list of entries and, on OK, gives the
// list back as the dialog holds it (sorted). dxPSRegisterAutoTextDialog()
// makes it the preview window's "AutoText..." command for a report link that
// has a style manager.
#pragma once

#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "dialogs/FormatDialogs.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolBar;

namespace dxPSAutoTextTexts {
inline constexpr const char* Caption = "Edit AutoText Entries";
inline constexpr const char* EntriesGroup = " Enter A&utoText Entries Here: ";
inline constexpr const char* Add = "&Add";
inline constexpr const char* Delete = "&Delete...";
inline constexpr const char* Preview = "Preview";
}  // namespace dxPSAutoTextTexts

class TdxfmAutoText;

// The preview box: a 1-pixel frame, the window colour inside and the three
// parts of the selected entry.
class TdxPSAutoTextPreview : public QWidget {
 public:
  explicit TdxPSAutoTextPreview(TdxfmAutoText& dialog, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TdxfmAutoText& dialog_;
};

class TdxfmAutoText : public TCustomdxPSFmtDialog {
 public:
  TdxfmAutoText(const std::vector<std::string>& entries, int helpContext, QWidget* parent = nullptr);
  std::string FormClassName() const override { return "TdxfmAutoText"; }

  // The entries in the list's (sorted) order.
  std::vector<std::string> Entries() const;

  QGroupBox* EntriesGroup() const { return group_; }
  QLineEdit* EntryEdit() const { return edit_; }
  QListWidget* EntryList() const { return list_; }
  QPushButton* AddButton() const { return add_; }
  QPushButton* DeleteButton() const { return delete_; }
  QToolBar* FunctionToolBar() const { return functionBar_; }
  QLabel* PreviewLabel() const { return previewLabel_; }
  TdxPSAutoTextPreview* PreviewBox() const { return preview_; }

  // Adds the typed text (when Add is enabled), clears the edit and gives the
  // list box the focus again.
  void AddEntry();
  // Removes the selected entry (when Delete is enabled) and selects the one
  // now at its place, or the last.
  void DeleteEntry();
  // Replaces the selected text of the edit by the token of the library's
  // function at index (only while the list box has the focus).
  void InsertFunction(int functionIndex);
  // The list box (the edit or its list) has the focus.
  bool ListBoxFocused() const;

  // How the preview shows the selected entry: each part expanded, its
  // rectangle in the box and its alignment (left in the whole box, centred
  // in the middle third, right in the right third). Empty without a selected
  // entry.
  struct TPreviewPart {
    std::string Text;
    QRect Bounds;
    int Alignment = 0;  // Qt::Alignment flags
  };
  std::vector<TPreviewPart> PreviewParts() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The entry whose text equals text (case ignored), -1 for none.
  int IndexOfEntry(const QString& text) const;
  void TextEdited(const QString& text);
  void SelectionChanged();
  void UpdateButtons();

  QGroupBox* group_;
  QLineEdit* edit_;
  QListWidget* list_;
  QPushButton* add_;
  QPushButton* delete_;
  QToolBar* functionBar_;
  QLabel* previewLabel_;
  TdxPSAutoTextPreview* preview_;
};

// Runs the editor on the entries; on OK they are replaced by the dialog's
// list. Answers whether OK was chosen; false at once without entries.
bool EditAutoTextEntries(std::vector<std::string>* entries, int helpContext = 0);

// The preview window's "AutoText..." command: the editor on the entries of
// the link's style manager.
void dxPSRegisterAutoTextDialog();
