// The open and save dialogs of report files ("Load Report", "Save Report As",
// one filter "Report Files (*.rps)"), with a preview pane to the right of the
// file list that shows the preview picture of the report file under the
// selection.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QFileDialog;
class QLabel;
class QToolButton;
class QWidget;
class TdxPSImageScrollBox;
class TdxPSReportDocument;

namespace dxPSReportFileDlgTexts {
inline constexpr const char* ReportFiles = "Report Files";
inline constexpr const char* ReportFileExtension = "rps";
inline constexpr const char* LoadReport = "Load Report";
inline constexpr const char* SaveReportAs = "Save Report As";
inline constexpr const char* Preview = "Previe&w";
inline constexpr const char* NotAReportDocument = "(File is not a ReportDocument or Corrupted)";
inline constexpr const char* None = "(None)";
}  // namespace dxPSReportFileDlgTexts

class TdxPSOpenReportDialog {
 public:
  explicit TdxPSOpenReportDialog(QWidget* parent = nullptr);
  virtual ~TdxPSOpenReportDialog();
  TdxPSOpenReportDialog(const TdxPSOpenReportDialog&) = delete;
  TdxPSOpenReportDialog& operator=(const TdxPSOpenReportDialog&) = delete;

  std::string DefaultExt = dxPSReportFileDlgTexts::ReportFileExtension;
  // "Report Files (*.rps)|*.rps"
  std::string Filter;
  std::string Title = dxPSReportFileDlgTexts::LoadReport;
  std::string InitialDir;
  // The name shown first; the chosen file after Execute.
  std::string FileName;
  // The save dialog asks before it overwrites a file.
  bool OverwritePrompt = true;

  // Runs the dialog modally; true when the user chose a file.
  bool Execute();

  // ---- The preview pane (exists from construction on) ----
  QWidget* pnlPicture = nullptr;
  QWidget* pnlToolBar = nullptr;
  QLabel* lblPreview = nullptr;
  QToolButton* btnPreview = nullptr;
  TdxPSImageScrollBox* sbxPreview = nullptr;

  // The selection moved to fileName: a name other than the last one seen
  // drops the previous document and reads the file's report document (a
  // file that does not read gives none), then updates the pane.
  void SelectionChanged(const std::string& fileName);
  // Button and picture enabled exactly with a document; the picture is the
  // document's preview; the hint says why there is none.
  void UpdatePreview();
  // The document of the selected file; none when there is none.
  const TdxPSReportDocument* ReportDocument() const { return document_.get(); }
  // Opens the document's preview picture in the picture preview window.
  void ShowPreviewPicture();

  // The platform dialog while Execute runs (none otherwise).
  QFileDialog* Dialog() const { return dialog_; }

 protected:
  virtual bool IsSaveDialog() const { return false; }

 private:
  QWidget* parent_;
  QFileDialog* dialog_ = nullptr;
  std::unique_ptr<QWidget> pane_;  // owns pnlPicture while no dialog runs
  std::unique_ptr<TdxPSReportDocument> document_;
  std::string lastName_;
  bool lastSeen_ = false;
};

// The same, through the save dialog: asks before overwriting a file.
class TdxPSSaveReportDialog : public TdxPSOpenReportDialog {
 public:
  explicit TdxPSSaveReportDialog(QWidget* parent = nullptr);

 protected:
  bool IsSaveDialog() const override { return true; }
};

// Makes the preview window's load and save report commands use these dialogs.
void dxPSRegisterReportFileDialogs();
