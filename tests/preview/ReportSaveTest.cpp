// Saving the report from the preview window: the chosen name gets ".rps",
// and the question before a file is replaced names the file that is really
// written (typing March.2024 writes March.rps: the question is about that).
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <memory>
#include <optional>

#include "engine/ComponentPrinter.h"
#include "platform/MessageDialogs.h"
#include "preview/PreviewWindow.h"
#include "tests/TestSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/preview/PreviewTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

std::string Contents(const std::string& path) {
  QFile file(QString::fromStdString(path));
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<none>");
}

// A report of one cell.
class TOneCellLink : public TBasedxReportLink {
  DX_CLASS(TOneCellLink, TBasedxReportLink)

 public:
  void ConstructReport(TdxReportCells& cells) override {
    TBasedxReportLink::ConstructReport(cells);
    cells.Cells()->SetBounds(0, 0, 600, 400);
  }
};

class ReportSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dxPSRegisterStdPreviewWindow();
    auto device = std::make_unique<HandPrintDevice>();
    device->Printers = {{"Hand", true, false}};
    device->Descriptions = {HandLetterPrinter("Hand")};
    device->Default = "Hand";
    devices_ = std::make_unique<ScopedPrintDevice>(std::move(device));
    // A report stream is "RPT" and the title.
    auto& storage = dxPSReportLinkStorage();
    storage.IsReportStream = [](TByteView data) { return data.size() >= 3 && data[0] == 'R'; };
    storage.ReadReport = [](TBasedxReportLink&, TByteView) {};
    storage.WriteReport = [](TBasedxReportLink& link, TBytes& data) {
      const std::string text = "RPT" + link.ReportTitleText();
      data.assign(text.begin(), text.end());
    };
    AnswerMessageBoxes([this](TMessageBoxKind, const std::string&, const std::string& text) {
      questions_.push_back(text);
      return answer_;
    });
    dxPSPreviewWindowDialogs().SaveReport = [this](QWidget*, const std::string& proposed) {
      proposals_.push_back(proposed);
      std::optional<std::string> chosen;
      if (!typed_.empty()) {
        chosen = typed_.front();
        typed_.erase(typed_.begin());
      }
      return chosen;
    };
    link_ = new TOneCellLink;
    link_->SetReportTitleText("March");
    window_ = preview_test::ShowPreview(printer_, link_, component_);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (window_) window_->close();
    QApplication::processEvents();
    AnswerMessageBoxes({});
    dxPSPreviewWindowDialogs() = TdxPreviewWindowDialogs();
    dxPSReportLinkStorage() = TdxReportLinkStorage();
  }

  ScratchDir dir_;
  std::unique_ptr<ScopedPrintDevice> devices_;
  QWidget component_;
  TdxComponentPrinter printer_;
  TOneCellLink* link_ = nullptr;
  TdxfmStdPreview* window_ = nullptr;
  std::vector<std::string> typed_;      // the names the dialog answers, in turn
  std::vector<std::string> proposals_;  // what the dialog was opened with
  std::vector<std::string> questions_;
  bool answer_ = false;
};

TEST_F(ReportSaveTest, TheQuestionNamesTheFileThatIsWrittenAndNoGoesBackToTheDialog) {
  const std::string march = dir_.Write("March.rps", std::string("RPTold"));
  typed_ = {dir_.Path("March.2024")};
  window_->Action(pcSave)->trigger();
  EXPECT_EQ(questions_, (std::vector<std::string>{march + " already exists.\nDo you want to replace it?"}));
  EXPECT_EQ(Contents(march), "RPTold");
  ASSERT_EQ(proposals_.size(), 2u);  // back in the dialog, with the name that would be written
  EXPECT_EQ(proposals_[1], march);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir_.Path("March.2024"))));

  questions_.clear();
  answer_ = true;
  typed_ = {dir_.Path("March.2024")};
  window_->Action(pcSave)->trigger();
  EXPECT_EQ(questions_.size(), 1u);
  EXPECT_EQ(Contents(march), "RPTMarch");
}

TEST_F(ReportSaveTest, ANewFileIsWrittenWithoutAQuestion) {
  typed_ = {dir_.Path("April.2024")};
  window_->Action(pcSave)->trigger();
  EXPECT_EQ(questions_, std::vector<std::string>{});
  EXPECT_EQ(Contents(dir_.Path("April.rps")), "RPTMarch");
}

}  // namespace
