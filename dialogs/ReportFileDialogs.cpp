#include "dialogs/ReportFileDialogs.h"

#include <QFileDialog>
#include <algorithm>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

#include "editors/DialogControls.h"
#include "editors/PicturePreview.h"
#include "engine/ReportFile.h"
#include "platform/Dialogs.h"
#include "platform/QtStrings.h"
#include "platform/ModalRun.h"
#include "preview/PreviewWindow.h"
#include "platform/Types.h"
#include "report/EngineUtilities.h"

namespace texts = dxPSReportFileDlgTexts;

namespace {
bool IsExistingFile(const std::string& name) {
  if (name.empty()) return false;
  const QFileInfo info(ToQ(name));
  return info.exists() && info.isFile();
}
}  // namespace

TdxPSOpenReportDialog::TdxPSOpenReportDialog(QWidget* parent) : parent_(parent) {
  // "%s (*.%1:s)|*.%1:s" with the description and the extension.
  Filter = Format("%s (*.%s)|*.%s", texts::ReportFiles, texts::ReportFileExtension, texts::ReportFileExtension);

  pane_ = std::make_unique<QWidget>();
  pnlPicture = pane_.get();
  pnlPicture->setObjectName(QStringLiteral("pnlPicture"));
  pnlPicture->setGeometry(204, 5, 200, 169);
  pnlPicture->setMinimumWidth(200);
  auto* layout = new QVBoxLayout(pnlPicture);
  layout->setContentsMargins(0, 4, 0, 0);
  layout->setSpacing(0);

  pnlToolBar = new QWidget(pnlPicture);
  pnlToolBar->setObjectName(QStringLiteral("pnlToolBar"));
  pnlToolBar->setFixedHeight(29);
  auto* bar = new QHBoxLayout(pnlToolBar);
  bar->setContentsMargins(0, 0, 2, 0);
  lblPreview = new QLabel(ToQ(RemoveAmpersands(texts::Preview) + ":"), pnlToolBar);
  lblPreview->setObjectName(QStringLiteral("lblPreview"));
  btnPreview = new QToolButton(pnlToolBar);
  btnPreview->setObjectName(QStringLiteral("btnPreview"));
  btnPreview->setIcon(QIcon(QPixmap::fromImage(dxPSImageBoxGlyph(0))));
  btnPreview->setToolTip(ToQ(RemoveAmpersands(texts::Preview)));
  btnPreview->setAutoRaise(true);
  btnPreview->setEnabled(false);
  bar->addWidget(lblPreview);
  bar->addStretch(1);
  bar->addWidget(btnPreview);
  QObject::connect(btnPreview, &QToolButton::clicked, [this] { ShowPreviewPicture(); });

  sbxPreview = new TdxPSImageScrollBox(pnlPicture);
  sbxPreview->setObjectName(QStringLiteral("sbxPreview"));
  sbxPreview->SetFit(true);  // the whole page at a glance
  sbxPreview->OnDblClick = [this](TdxPSImageScrollBox&) { ShowPreviewPicture(); };
  layout->addWidget(pnlToolBar);
  layout->addWidget(sbxPreview, 1);
  UpdatePreview();
}

TdxPSOpenReportDialog::~TdxPSOpenReportDialog() = default;

TdxPSSaveReportDialog::TdxPSSaveReportDialog(QWidget* parent) : TdxPSOpenReportDialog(parent) {
  Title = texts::SaveReportAs;
}

void TdxPSOpenReportDialog::SelectionChanged(const std::string& fileName) {
  if (lastSeen_ && fileName == lastName_) return;
  lastSeen_ = true;
  lastName_ = fileName;
  // A name that is no readable report shows nothing, not the document of
  // the previous selection.
  document_.reset();
  if (IsExistingFile(fileName)) {
    try {
      TdxFileStream stream(fileName, TdxFileStreamMode::Read);
      document_ = TdxPSReportFile::ExtractReportDocument(stream, true);
    } catch (const std::exception&) {
      document_.reset();
    }
  }
  UpdatePreview();
}

void TdxPSOpenReportDialog::UpdatePreview() {
  const bool hasDocument = document_ != nullptr;
  btnPreview->setEnabled(hasDocument);
  sbxPreview->setEnabled(hasDocument);
  sbxPreview->SetGraphic(hasDocument ? &document_->Preview() : nullptr);
  if (hasDocument)
    sbxPreview->SetHintText("");
  else
    sbxPreview->SetHintText(IsExistingFile(lastName_) ? texts::NotAReportDocument : texts::None);
}

void TdxPSOpenReportDialog::ShowPreviewPicture() {
  if (!document_) return;
  dxShowPicturePreview(&document_->Preview(), pnlPicture);
}

bool TdxPSOpenReportDialog::Execute() {
  const bool save = IsSaveDialog();
  TFileDialogWindow dialog(parent_);
  dialog.setObjectName("ReportFileDialog");
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Open: the path and the file must exist. Save: any name in an existing
  // folder.
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (save && !OverwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setWindowTitle(ToQ(Title));
  QStringList filters;
  for (const std::string& f : TFileDialog::NativeFilters(Filter)) filters << ToQ(f);
  dialog.setNameFilters(filters);
  if (!DefaultExt.empty()) dialog.setDefaultSuffix(ToQ(DefaultExt));
  if (!InitialDir.empty()) dialog.setDirectory(ToQ(InitialDir));
  if (!FileName.empty()) dialog.selectFile(ToQ(FileName));

  // The pane goes to the right of the file list while the dialog runs.
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    pnlPicture->setParent(&dialog);
    grid->addWidget(pnlPicture, 1, grid->columnCount(), std::max(1, grid->rowCount() - 1), 1);
  }
  QObject::connect(&dialog, &QFileDialog::currentChanged,
                   [this](const QString& path) { SelectionChanged(FromQ(path)); });
  dialog_ = &dialog;
  struct TakeBack {
    TdxPSOpenReportDialog* self;
    ~TakeBack() {
      // The window that asked gets the keyboard back, as after the program's own dialogs.
      if (self->parent_) self->parent_->window()->activateWindow();
      self->dialog_ = nullptr;
      self->pnlPicture->setParent(nullptr);
      self->pnlPicture->hide();
    }
  } takeBack{this};
  UpdatePreview();

  RunModal(dialog);
  const std::optional<std::string> chosen = dialog.Chosen();
  if (!chosen) return false;
  FileName = *chosen;
  return true;
}

void dxPSRegisterReportFileDialogs() {
  TdxPreviewWindowDialogs& dialogs = dxPSPreviewWindowDialogs();
  dialogs.LoadReport = [](QWidget* parent, const std::string& fileName) -> std::optional<std::string> {
    TdxPSOpenReportDialog dialog(parent);
    dialog.FileName = fileName;
    if (!dialog.Execute()) return std::nullopt;
    return dialog.FileName;
  };
  dialogs.SaveReport = [](QWidget* parent, const std::string& fileName) -> std::optional<std::string> {
    TdxPSSaveReportDialog dialog(parent);
    dialog.FileName = fileName;
    dialog.OverwritePrompt = false;  // the preview window asks about the file it writes
    if (!dialog.Execute()) return std::nullopt;
    return dialog.FileName;
  };
}
