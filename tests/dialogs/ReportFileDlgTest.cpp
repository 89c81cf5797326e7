// The report file dialogs: texts and filter, the preview pane that shows the
// preview picture of the selected report file, and the dialog run through
// its test hook.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QToolButton>

#include "editors/DialogControls.h"
#include "dialogs/ReportFileDialogs.h"
#include "editors/PicturePreview.h"
#include "engine/ReportFile.h"
#include "platform/MetafileRecorder.h"
#include "tests/TestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

class TPlainLink : public TBasedxReportLink {
  DX_CLASS(TPlainLink, TBasedxReportLink)
};

// Writes a document section with a preview picture of its own: a magenta
// block on white, near the top left of a small picture or at the bottom
// right corner of a page-sized one.
class TPreviewReportFile : public TdxPSReportFile {
 public:
  using TdxPSReportFile::TdxPSReportFile;
  bool PageSized = false;
  void WriteDocument(TdxPSDataWriter& writer, TdxPSReportDocument& document) override {
    const QSize size = PageSized ? QSize(800, 1100) : QSize(80, 100);
    TMetafileRecorder recorder(size.width(), size.height());
    {
      QPainter painter(&recorder);
      painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
      painter.fillRect(PageSized ? QRect(600, 900, 180, 180) : QRect(10, 10, 60, 40), Qt::magenta);
    }
    TMetafile preview;
    preview.SetEnhancedData(recorder.EnhancedData());
    writer.WriteString("Takvim");
    writer.WriteDateTime(45000.0);
    writer.WriteString("");
    writer.WriteString("");
    writer.WritePicture(preview);
  }
};

std::string WriteReportFile(const ScratchDir& dir, const std::string& name, bool pageSized = false) {
  dxPSRegisterReportStorage();
  TPlainLink link;
  TBytes bytes;
  {
    TdxBytesStream stream(bytes);
    TPreviewReportFile file(&link);
    file.PageSized = pageSized;
    std::unique_ptr<TdxPSDataWriter> writer = file.CreateWriter(stream);
    file.WriteReport(*writer);
  }
  return dir.Write(name, bytes);
}

// Magenta pixels in the pane's picture viewer.
int MagentaPixels(TdxPSOpenReportDialog& dialog) {
  dialog.pnlPicture->resize(220, 200);
  dialog.pnlPicture->show();
  TdxPSImageScrollBox& box = *dialog.sbxPreview;
  QImage image(box.viewport()->size(), QImage::Format_RGB32);
  image.fill(Qt::gray);
  {
    QPainter painter(&image);
    box.PaintViewport(painter);
  }
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += PixelRGB(image, x, y) == 0xFF00FFu;
  return count;
}

TEST(ReportFileDlgTest, DialogsCarryTheirTextsAndOneFilter) {
  TdxPSOpenReportDialog open;
  EXPECT_EQ(open.Title, "Load Report");
  EXPECT_EQ(open.Filter, "Report Files (*.rps)|*.rps");
  EXPECT_EQ(open.DefaultExt, "rps");
  EXPECT_EQ(open.lblPreview->text(), "Preview:");
  EXPECT_EQ(open.btnPreview->toolTip(), "Preview");
  EXPECT_FALSE(open.btnPreview->isEnabled());
  EXPECT_FALSE(open.sbxPreview->isEnabled());
  EXPECT_EQ(open.sbxPreview->HintText(), "(None)");
  EXPECT_EQ(open.pnlToolBar->height(), 29);
  TdxPSSaveReportDialog save;
  EXPECT_EQ(save.Title, "Save Report As");
  EXPECT_EQ(save.Filter, open.Filter);
}

TEST(ReportFileDlgTest, TheSelectedReportFileShowsItsPreviewPicture) {
  ScratchDir dir;
  const std::string report = WriteReportFile(dir, "takvim.rps");
  const std::string other = dir.Write("notlar.rps", std::string("not a report at all"));
  TdxPSOpenReportDialog dialog;

  dialog.SelectionChanged(report);
  ASSERT_NE(dialog.ReportDocument(), nullptr);
  EXPECT_EQ(dialog.ReportDocument()->Caption(), "Takvim");
  EXPECT_TRUE(dialog.btnPreview->isEnabled());
  EXPECT_TRUE(dialog.sbxPreview->isEnabled());
  EXPECT_EQ(dialog.sbxPreview->HintText(), "");
  EXPECT_GT(MagentaPixels(dialog), 500);

  dialog.SelectionChanged(other);
  EXPECT_EQ(dialog.ReportDocument(), nullptr);
  EXPECT_FALSE(dialog.btnPreview->isEnabled());
  EXPECT_EQ(dialog.sbxPreview->HintText(), "(File is not a ReportDocument or Corrupted)");
  EXPECT_EQ(MagentaPixels(dialog), 0);

  // A folder or a name that does not exist: no document of an earlier file.
  dialog.SelectionChanged(report);
  ASSERT_NE(dialog.ReportDocument(), nullptr);
  dialog.SelectionChanged(dir.Path(""));
  EXPECT_EQ(dialog.ReportDocument(), nullptr);
  EXPECT_EQ(dialog.sbxPreview->HintText(), "(None)");
  dialog.SelectionChanged(dir.Path("absent.rps"));
  EXPECT_EQ(dialog.sbxPreview->HintText(), "(None)");

  // A damaged copy: the document section cut off.
  const TBytes bytes = [&] {
    QFile file(QString::fromStdString(report));
    file.open(QIODevice::ReadOnly);
    const QByteArray all = file.readAll();
    return TBytes(all.begin(), all.begin() + 60);
  }();
  dialog.SelectionChanged(dir.Write("kesik.rps", bytes));
  EXPECT_EQ(dialog.ReportDocument(), nullptr);
  EXPECT_EQ(dialog.sbxPreview->HintText(), "(File is not a ReportDocument or Corrupted)");
}

// A page-sized preview picture is shown whole, fitted into the pane: its
// bottom right corner is on screen, and the picture fills one side.
TEST(ReportFileDlgTest, ThePaneShowsTheWholePageFitted) {
  ScratchDir dir;
  TdxPSOpenReportDialog dialog;
  dialog.SelectionChanged(WriteReportFile(dir, "sayfa.rps", true));
  ASSERT_NE(dialog.ReportDocument(), nullptr);
  EXPECT_GT(MagentaPixels(dialog), 300);
  const TdxPSImageScrollBox& box = *dialog.sbxPreview;
  const TRect shown = box.PictureRect();
  const QSize view = box.viewport()->size();
  EXPECT_GE(shown.Left, 0);
  EXPECT_GE(shown.Top, 0);
  EXPECT_LE(shown.Right, view.width());
  EXPECT_LE(shown.Bottom, view.height());
  EXPECT_EQ(shown.Height(), view.height());
  EXPECT_EQ(box.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(box.horizontalScrollBar()->maximum(), 0);
}

TEST(ReportFileDlgTest, ThePreviewButtonOpensThePictureInThePreviewWindow) {
  ScratchDir dir;
  TdxPSOpenReportDialog dialog;
  std::vector<std::string> shown;
  AnswerModal<TdxfmPicturePreview>([&](TdxfmPicturePreview& window) { shown.push_back(window.PanelText(0)); });
  dialog.btnPreview->click();  // disabled: nothing
  dialog.SelectionChanged(WriteReportFile(dir, "takvim.rps"));
  dialog.btnPreview->click();
  dialog.sbxPreview->OnDblClick(*dialog.sbxPreview);
  AnswerModal<TdxfmPicturePreview>(nullptr);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], "Width: 80   Height: 100");
}

TEST(ReportFileDlgTest, ExecuteRunsThePlatformDialogWithThePaneBesideTheFiles) {
  ScratchDir dir;
  const std::string report = WriteReportFile(dir, "takvim.rps");
  bool sawDialog = false;
  TdxPSOpenReportDialog* running = nullptr;
  AnswerModal<TFileDialogWindow>("ReportFileDialog", [&](TFileDialogWindow& window) {
    ASSERT_NE(running, nullptr);
    TdxPSOpenReportDialog& d = *running;
    QFileDialog* platform = d.Dialog();
    EXPECT_EQ(platform, &window);
    if (!platform) return;
    sawDialog = true;
    EXPECT_EQ(platform->windowTitle().toStdString(), d.Title);
    // One entry; with the details hidden it reads "Report Files (*.rps)".
    EXPECT_EQ(platform->nameFilters(), QStringList{"Report Files (*.rps) (*.rps)"});
    EXPECT_TRUE(platform->testOption(QFileDialog::HideNameFilterDetails));
    EXPECT_EQ(platform->defaultSuffix(), "rps");
    EXPECT_EQ(d.pnlPicture->parentWidget(), platform);
    const bool save = platform->acceptMode() == QFileDialog::AcceptSave;
    EXPECT_EQ(platform->fileMode(), save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    EXPECT_FALSE(platform->testOption(QFileDialog::DontConfirmOverwrite));
    d.SelectionChanged(report);
    if (d.Title == "Load Report")
      window.Choose(report);
    else
      window.reject();
  });
  TdxPSOpenReportDialog open;
  running = &open;
  EXPECT_TRUE(open.Execute());
  EXPECT_EQ(open.FileName, report);
  EXPECT_TRUE(sawDialog);
  EXPECT_EQ(open.Dialog(), nullptr);
  EXPECT_EQ(open.pnlPicture->parentWidget(), nullptr);  // back with the object
  ASSERT_NE(open.ReportDocument(), nullptr);

  sawDialog = false;
  TdxPSSaveReportDialog save;
  running = &save;
  save.FileName = "eski.rps";
  EXPECT_FALSE(save.Execute());
  EXPECT_TRUE(sawDialog);
  EXPECT_EQ(save.FileName, "eski.rps");
  AnswerModal<TFileDialogWindow>("ReportFileDialog", nullptr);
}

}  // namespace
