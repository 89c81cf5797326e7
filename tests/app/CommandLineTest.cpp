#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <sstream>

#include "app/CommandLine.h"
#include "app/MainForm.h"
#include "dialogs/PrintStyles.h"
#include "engine/ContainerReportLink.h"
#include "editors/ImageEditor.h"
#include "platform/Application.h"
#include "tests/TestSupport.h"
#include "tests/app/Form1TestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

TCommandLine Parse(std::vector<std::string> arguments) { return ParseCommandLine(arguments); }

struct Handled {
  std::optional<int> code;
  std::string out, err;
};
Handled Handle(const TCommandLine& line) {
  std::ostringstream out, err;
  Handled h;
  h.code = HandleCommandLine(line, out, err);
  h.out = out.str();
  h.err = err.str();
  return h;
}

}  // namespace

TEST(CommandLine, NoArgumentsStartsWithAnEmptyPhoto) {
  const TCommandLine line = Parse({});
  EXPECT_EQ(line.Action, TCommandLineAction::Run);
  EXPECT_TRUE(line.PictureFile.empty());
  const Handled h = Handle(line);
  EXPECT_FALSE(h.code.has_value());
  EXPECT_EQ(h.out, "");
  EXPECT_EQ(h.err, "");
}

TEST(CommandLine, PictureArgumentIsTakenAsItIs) {
  for (const std::string path : {"photo.jpg", "/home/ayşe/Resimler/yaz tatili.JPEG", "../a b/c.bmp", "-"}) {
    const TCommandLine line = Parse({path});
    EXPECT_EQ(line.Action, TCommandLineAction::Run) << path;
    EXPECT_EQ(line.PictureFile, path);
    EXPECT_TRUE(line.IgnoredFiles.empty());
    EXPECT_TRUE(line.ToolkitArguments.empty());
  }
  // The argv form skips the program name.
  const char* argv[] = {"/usr/bin/ardel-sorvan", "photo.jpg", nullptr};
  EXPECT_EQ(ParseCommandLine(2, argv).PictureFile, "photo.jpg");
}

TEST(CommandLine, FileUrlNamesItsLocalFile) {
  EXPECT_EQ(Parse({"file:///tmp/yaz%20tatili.jpg"}).PictureFile, "/tmp/yaz tatili.jpg");
  EXPECT_EQ(Parse({"file:///tmp/%C3%A7i%C3%A7ek.jpg"}).PictureFile, "/tmp/çiçek.jpg");
  // Anything that is not a local file URL stays a file name, so the load reports it.
  EXPECT_EQ(Parse({"file://"}).PictureFile, "file://");
  EXPECT_EQ(Parse({"file:photo.jpg"}).PictureFile, "file:photo.jpg");
  EXPECT_EQ(Parse({"https://example.invalid/a.jpg"}).PictureFile, "https://example.invalid/a.jpg");
}

TEST(CommandLine, DoubleDashEndsTheOptions) {
  const TCommandLine line = Parse({"--", "-photo.jpg"});
  EXPECT_EQ(line.Action, TCommandLineAction::Run);
  EXPECT_EQ(line.PictureFile, "-photo.jpg");
  EXPECT_EQ(Parse({"--", "--version"}).Action, TCommandLineAction::Run);
  EXPECT_EQ(Parse({"--", "--version"}).PictureFile, "--version");
}

TEST(CommandLine, VersionPrintsNameAndVersionAndEnds) {
  for (const std::string option : {"--version", "-v"}) {
    const TCommandLine line = Parse({option});
    EXPECT_EQ(line.Action, TCommandLineAction::ShowVersion) << option;
    const Handled h = Handle(line);
    EXPECT_EQ(h.code, 0);
    EXPECT_EQ(h.out, VersionText() + "\n");
    EXPECT_EQ(h.err, "");
  }
  EXPECT_TRUE(QRegularExpression("^Ardel Sorvan \\d+\\.\\d+\\.\\d+$")
                  .match(QString::fromStdString(VersionText()))
                  .hasMatch())
      << VersionText();
  // With a picture as well the version still wins: nothing is opened.
  EXPECT_EQ(Parse({"photo.jpg", "--version"}).Action, TCommandLineAction::ShowVersion);
}

TEST(CommandLine, HelpPrintsTheUsageAndEnds) {
  for (const std::string option : {"--help", "-h"}) {
    const Handled h = Handle(Parse({option}));
    EXPECT_EQ(h.code, 0) << option;
    EXPECT_EQ(h.out, UsageText());
    EXPECT_EQ(h.err, "");
  }
  const std::string usage = UsageText();
  EXPECT_EQ(usage.rfind("Usage: ardel-sorvan [PICTURE]\n", 0), 0u) << usage;
  for (const char* mention : {"--help", "--version", "JPEG"}) EXPECT_NE(usage.find(mention), std::string::npos);
  // Whichever of the two comes first decides.
  EXPECT_EQ(Parse({"--help", "--version"}).Action, TCommandLineAction::ShowHelp);
  EXPECT_EQ(Parse({"-v", "-h"}).Action, TCommandLineAction::ShowVersion);
}

TEST(CommandLine, UnknownOptionFailsWithExitCode2OnTheErrorOutput) {
  for (const std::string option : {"--bogus", "-x", "--versio", "--help=yes", "-platform=offscreen"}) {
    const TCommandLine line = Parse({"photo.jpg", option});
    EXPECT_EQ(line.Action, TCommandLineAction::Fail) << option;
    const Handled h = Handle(line);
    EXPECT_EQ(h.code, 2);
    EXPECT_EQ(h.out, "");
    EXPECT_EQ(h.err, "ardel-sorvan: unknown option '" + option +
                         "'\nTry 'ardel-sorvan --help' for more information.\n");
  }
  // A wrong option is not hidden behind --version or --help.
  EXPECT_EQ(Parse({"--version", "--bogus"}).Action, TCommandLineAction::Fail);
  EXPECT_EQ(Parse({"--bogus", "--help"}).Action, TCommandLineAction::Fail);
}

TEST(CommandLine, ToolkitOptionsArePassedOnWithTheirValues) {
  const TCommandLine line =
      Parse({"-style", "fusion", "photo.jpg", "--platform", "offscreen", "-reverse", "-stylesheet=a.qss", "-session",
             "1234abcd"});
  EXPECT_EQ(line.Action, TCommandLineAction::Run);
  EXPECT_EQ(line.PictureFile, "photo.jpg");
  EXPECT_TRUE(line.IgnoredFiles.empty());
  EXPECT_EQ(line.ToolkitArguments, (std::vector<std::string>{"-style", "fusion", "--platform", "offscreen", "-reverse",
                                                              "-stylesheet=a.qss", "-session", "1234abcd"}));
  // The value is the next argument even when it looks like a file or an option.
  EXPECT_EQ(Parse({"-qwindowtitle", "--help"}).Action, TCommandLineAction::Run);

  const TCommandLine missing = Parse({"photo.jpg", "-style"});
  EXPECT_EQ(missing.Action, TCommandLineAction::Fail);
  const Handled h = Handle(missing);
  EXPECT_EQ(h.code, 2);
  EXPECT_NE(h.err.find("option '-style' needs a value"), std::string::npos) << h.err;
}

TEST(CommandLine, SeveralFilesOpenTheFirstAndMentionTheRest) {
  // One photo area: the window opens with the first file, as a desktop's
  // "Open with" for several files would start one window per file.
  const TCommandLine line = Parse({"a.jpg", "b.bmp", "c.ico"});
  EXPECT_EQ(line.Action, TCommandLineAction::Run);
  EXPECT_EQ(line.PictureFile, "a.jpg");
  EXPECT_EQ(line.IgnoredFiles, (std::vector<std::string>{"b.bmp", "c.ico"}));
  const Handled h = Handle(line);
  EXPECT_FALSE(h.code.has_value());
  EXPECT_EQ(h.out, "");
  EXPECT_EQ(h.err,
            "ardel-sorvan: one photo at a time; 'b.bmp' is not opened\n"
            "ardel-sorvan: one photo at a time; 'c.ico' is not opened\n");
}

// The picture named on the command line in a real window.
namespace {

std::vector<std::string> g_messages;
TForm1* g_form = nullptr;
std::vector<bool> g_windowOpenAtMessage;
void CollectMessage(const std::string& title, const std::string& text) {
  EXPECT_EQ(title, "Ardel Sorvan");
  g_messages.push_back(text);
  g_windowOpenAtMessage.push_back(g_form && g_form->isVisible());
}

class StartPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application::SetTitle("Ardel Sorvan");
    AnswerErrorBoxes(CollectMessage);
    g_messages.clear();
    g_windowOpenAtMessage.clear();
    form = std::make_unique<TForm1>();
    g_form = form.get();
  }
  void TearDown() override {
    AnswerFileDialogs(nullptr);
    AnswerErrorBoxes(nullptr);
    g_form = nullptr;
  }
  // As the program starts: the window shows, the picture is queued, the loop runs.
  void Start(const std::vector<std::string>& arguments) {
    const TCommandLine line = ParseCommandLine(arguments);
    ASSERT_EQ(line.Action, TCommandLineAction::Run);
    form->show();
    OpenStartPicture(*form, line);
    QApplication::processEvents();
  }
  void ChooseInMenu(const std::string& path) { ChoosePicture(*form, path); }
  QImage PhotoPixels() { return form->cxImage1->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  std::unique_ptr<TForm1> form;
};

}  // namespace

TEST_F(StartPictureTest, PictureArgumentIsShownInThePhotoArea) {
  ScratchDir dir;
  const std::string path = WriteTestJpeg(dir, "yaz tatili.jpg", 320, 240);
  Start({path});
  EXPECT_TRUE(g_messages.empty()) << g_messages.front();
  ASSERT_FALSE(form->cxImage1->Picture().Empty());
  EXPECT_EQ(form->cxImage1->Picture().Graphic()->ClassType(), TJPEGImage::Class());
  EXPECT_EQ(form->cxImage1->Picture().Width(), 320);
  // Scaled to fit: red on the left, blue on the right, the green square in the middle.
  const QImage img = PhotoPixels();
  EXPECT_TRUE(ColorNear(PixelRGB(img, 20, 250), 0xFF0000, 48)) << std::hex << PixelRGB(img, 20, 250);
  EXPECT_TRUE(ColorNear(PixelRGB(img, 650, 250), 0x0000FF, 48)) << std::hex << PixelRGB(img, 650, 250);
  EXPECT_TRUE(ColorNear(PixelRGB(img, 335, 252), 0x00FF00, 48)) << std::hex << PixelRGB(img, 335, 252);
}

TEST_F(StartPictureTest, PictureIsLoadedOnlyOnceTheWindowIsOpen) {
  ScratchDir dir;
  const TCommandLine line = ParseCommandLine({WriteTestJpeg(dir, "a.jpg", 40, 30), "-"});
  form->show();
  OpenStartPicture(*form, line);
  EXPECT_TRUE(form->cxImage1->Picture().Empty()) << "loaded before the message loop ran";
  QApplication::processEvents();
  EXPECT_EQ(form->cxImage1->Picture().Width(), 40);
  // The window going before the loop runs takes its queued load along.
  auto other = std::make_unique<TForm1>();
  OpenStartPicture(*other, line);
  other.reset();
  QApplication::processEvents();
  EXPECT_TRUE(g_messages.empty());
}

TEST_F(StartPictureTest, UnreadableFilesGiveTheMenusMessageAndTheWindowStaysOpen) {
  ScratchDir dir;
  QDir().mkpath(QString::fromStdString(dir.Path("album.jpg")));
  const std::pair<std::string, std::string> cases[] = {
      {dir.Write("broken.jpg", std::string("\xFF\xD8\xFF\xE0 truncated", 15)), "JPEG error #"},
      {dir.Write("broken.bmp", std::string("BM\x10\x00\x00\x00garbage", 14)), "Bitmap image is not valid."},
      {dir.Write("photo.png", std::string("\x89PNG\r\n\x1a\n", 8)), "Unknown picture file extension (.png)."},
      {dir.Path("missing.jpg"), "Cannot open file \"" + dir.Path("missing.jpg") + "\". No such file or directory"},
      {dir.Path("album.jpg"), "Cannot open file \"" + dir.Path("album.jpg") + "\". Is a directory"},
  };
  for (const auto& [path, message] : cases) {
    SCOPED_TRACE(path);
    g_messages.clear();
    g_windowOpenAtMessage.clear();
    Start({path});
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].rfind(message, 0), 0u) << g_messages[0];
    EXPECT_TRUE(g_windowOpenAtMessage[0]) << "the message came before the window";
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->cxImage1->Picture().Empty());
    ChooseInMenu(path);
    ASSERT_EQ(g_messages.size(), 2u);
    EXPECT_EQ(g_messages[1], g_messages[0]);
  }
}

TEST_F(StartPictureTest, UnreadableFileKeepsThePhotoShownBefore) {
  ScratchDir dir;
  ChooseInMenu(WriteTestJpeg(dir, "old.jpg", 64, 48));
  ASSERT_EQ(form->cxImage1->Picture().Width(), 64);
  Start({dir.Write("new.jpg", std::string("\xFF\xD8\xFF\xE0 truncated", 15))});
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0].rfind("JPEG error #", 0), 0u) << g_messages[0];
  EXPECT_EQ(form->cxImage1->Picture().Width(), 64);
  EXPECT_FALSE(form->LoadPicture(dir.Path("gone.jpg")));
  EXPECT_TRUE(form->LoadPicture(dir.Path("old.jpg")));
}

TEST_F(StartPictureTest, PrintStylesGiveTheReportAStyleKeptAcrossRuns) {
  EXPECT_FALSE(Parse({"a.jpg"}).PrintStyles);
  const TCommandLine line = Parse({"--print-styles", "a.jpg"});
  EXPECT_TRUE(line.PrintStyles);
  EXPECT_EQ(line.PictureFile, "a.jpg");

  ScratchDir dir;
  const std::string storage = dir.Path("print-styles");
  TdxPrinterPage& own = form->yaziciLink1->RealPrinterPage();
  const auto orientation = own.Orientation();
  const auto paper = own.DMPaper();
  EXPECT_EQ(form->PrintStyles(), nullptr);
  form->UsePrintStyles(storage);
  TdxPrintStyleManager* manager = form->PrintStyles();
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(form->yaziciLink1->StyleManager(), manager);
  ASSERT_EQ(manager->Count(), 1);
  // The one style carries the report's own page, which the report now uses.
  EXPECT_EQ(&form->yaziciLink1->RealPrinterPage(), &manager->Styles(0)->PrinterPage());
  EXPECT_EQ(manager->Styles(0)->PrinterPage().Orientation(), orientation);
  EXPECT_EQ(manager->Styles(0)->PrinterPage().DMPaper(), paper);
  manager->Styles(0)->SetStyleCaption("Poster");
  manager->FinishClone(manager->CloneStyle(0));
  form.reset();
  g_form = nullptr;

  form = std::make_unique<TForm1>();
  g_form = form.get();
  form->UsePrintStyles(storage);
  ASSERT_EQ(form->PrintStyles()->Count(), 2);
  EXPECT_EQ(form->PrintStyles()->Styles(0)->StyleCaption(), "Poster");
  EXPECT_EQ(form->PrintStyles()->Styles(1)->StyleCaption(), "Copy of Poster");
  form.reset();  // written back while the folder is there
  g_form = nullptr;
}
