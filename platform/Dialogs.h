// Common dialogs: open and save dialogs for picture files (with a preview
// pane) and for other files. Filters use the "description|mask|..." form,
// masks separated by ";".
#pragma once

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

  // Tests answer dialogs through this hook instead of showing them: it gets
  // the dialog and returns the chosen path, or nothing for Cancel.
  using Hook = std::function<std::optional<std::string>(TFileDialog&)>;
  static void SetHook(Hook hook);
};
