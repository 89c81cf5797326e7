// Common dialogs: open and save dialogs for picture files (with a preview
// pane) and for other files. Filters use the "description|mask|..." form,
// masks separated by ";".
#pragma once

#include <QFileDialog>
#include <functional>
#include <optional>
#include <string>

class QWidget;

enum class TFileDialogKind { OpenPicture, SavePicture, OpenFile, SaveFile };

class TFileDialog {
 public:
  explicit TFileDialog(TFileDialogKind kind) : Kind(kind) {}
  TFileDialogKind Kind;
  std::string Title;        // empty: the platform's default title
  std::string Filter;       // "desc|mask|desc|mask"
  int FilterIndex = 1;      // 1-based, as chosen last
  std::string FileName;     // the chosen file after Execute
  std::string InitialDir;
  std::string DefaultExt;   // added to a typed name without extension (save)
  bool OverwritePrompt = true;

  // Runs the dialog modally; true when the user confirmed a file.
  bool Execute(QWidget* parent = nullptr);

  // The filter in the platform dialog's form: each entry shows its
  // description exactly and filters by its masks.
  static std::vector<std::string> NativeFilters(const std::string& filter);
  // Whether a mask of the filter matches the file's name (case ignored), as
  // the dialog lists files.
  static bool FilterAdmits(const std::string& filter, const std::string& fileName);
};

// The platform's file dialog as the file dialogs run it (modally, through
// platform/ModalRun.h): it knows the request it answers (none for dialogs
// that are not a TFileDialog's), and a file can be chosen in it as the user
// chooses and confirms one.
class TFileDialogWindow : public QFileDialog {
 public:
  explicit TFileDialogWindow(QWidget* parent = nullptr, const TFileDialog* request = nullptr)
      : QFileDialog(parent), request_(request) {}
  const TFileDialog* Request() const { return request_; }
  // Closes the dialog with OK and the file name as the choice.
  void Choose(const std::string& fileName);
  // The file confirmed: the one chosen, else the first one selected; nothing
  // after Cancel.
  std::optional<std::string> Chosen() const;

 private:
  const TFileDialog* request_;
  std::optional<std::string> chosen_;
};
