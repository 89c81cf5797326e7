// The print dialog on the private CUPS scheduler of tests/support/cups-sandbox.sh:
// the scheduler's printers and their state, a stopped printer, the printer's
// own options travelling with the job, printing copies, and connecting a
// network printer by its address. Skipped unless CUPS_SERVER names a sandbox
// (ctest runs them so).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <chrono>
#include <optional>
#include <thread>

#include "editors/DialogControls.h"
#include "dialogs/PrintDialog.h"
#include "platform/MessageDialogs.h"
#include "tests/dialogs/PrintDialogTestSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

class CupsPrint : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* server = std::getenv("CUPS_SERVER");
    if (!server || !*server) GTEST_SKIP() << "CUPS_SERVER is not set; run through ctest";
    const QFileInfo socket(QString::fromLocal8Bit(server));
    sandbox_ = socket.absolutePath().toStdString();
    if (!socket.isAbsolute() || !QFile::exists(QString::fromStdString(sandbox_ + "/ardel-cups-sandbox")))
      GTEST_SKIP() << "CUPS_SERVER (" << server << ") is not a print-test sandbox";
    socket_ = server;
    QFile portFile(QString::fromStdString(sandbox_ + "/port"));
    if (portFile.open(QIODevice::ReadOnly)) port_ = QString::fromLatin1(portFile.readAll()).trimmed().toStdString();
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    PrintBackend::ResetServer();
    device_.emplace(std::make_unique<TdxPrintDevice>());
    AnswerMessageBoxes([this](TMessageBoxKind, const std::string&, const std::string& text) {
      messages.push_back(text);
      return true;
    });
    dxPSRegisterPrintDialog();
  }
  void TearDown() override {
    AnswerModal<TdxfmPrintDialog>({});
    dxPSSetShowPrintDialog({});
    AnswerMessageBoxes({});
    AnswerModal<QDialog>("ConnectPrinter", nullptr);
  }


 public:
  std::string Admin(const std::string& command, int* status = nullptr) {
    return ShellOutput(command + " -h '" + socket_ + "'", status);
  }

 protected:
  // The attributes the scheduler keeps of a job, as ipptool lists them.
  std::string JobAttributes(int id) const {
    return ShellOutput("ipptool -tv ipp://127.0.0.1:" + port_ + "/jobs/" + std::to_string(id) +
                       " /usr/share/cups/ipptool/get-job-attributes.test");
  }
  static int IndexOf(QComboBox* list, const QString& text) { return list->findText(text, Qt::MatchExactly); }
  static void Choose(TdxfmPrintDialog& d, const QString& printer) {
    const int index = IndexOf(d.Printers(), printer);
    ASSERT_GE(index, 0) << printer.toStdString();
    d.Printers()->setCurrentIndex(index);
    emit d.Printers()->activated(index);
  }

  std::string sandbox_, socket_, port_;
  std::optional<ScopedPrintDevice> device_;
  std::vector<std::string> messages;
};

}  // namespace

TEST_F(CupsPrint, PrinterListAndState) {
  DialogRecords records;
  RunPrintDialog(records, [&](TdxfmPrintDialog& d) {
    QComboBox* list = d.Printers();
    const int pdf = IndexOf(list, "ArdelPDF"), margins = IndexOf(list, "ArdelPDFMargins");
    ASSERT_GE(pdf, 0);
    ASSERT_GE(margins, 0);
    EXPECT_EQ(list->currentIndex(), pdf);  // the scheduler's default
    EXPECT_NE(list->itemIcon(pdf).pixmap(16, 16).toImage(), list->itemIcon(margins).pixmap(16, 16).toImage());
    EXPECT_EQ(d.StatusValue()->text(), "Ready");
    EXPECT_EQ(d.TypeValue()->text(), "Generic CUPS-PDF Printer (w/ options)");
    EXPECT_TRUE(d.WhereValue()->text().startsWith("cups-pdf:/ardel-")) << d.WhereValue()->text().toStdString();
    EXPECT_EQ(d.CommentValue()->text(), "Ardel test PDF printer (sandbox)");
    EXPECT_EQ(d.Copies()->MaxValue(), 9999);

    Choose(d, "ArdelPDFMargins");
    EXPECT_EQ(d.TypeValue()->text(), "Generic CUPS-PDF Printer (margins)");
    EXPECT_EQ(d.CommentValue()->text(), "Ardel test PDF printer with margins (sandbox)");
    EXPECT_EQ(d.CancelButton()->text(), "Close");
    Choose(d, "ArdelPDF");
    d.CancelButton()->click();
  });
  EXPECT_TRUE(messages.empty());
}

TEST_F(CupsPrint, StoppedPrinterShowsPausedAndItsWaitingJobs) {
  int status = 0;
  Admin("cupsdisable", &status);  // no printer: only checks the command is there
  Admin("cupsdisable ArdelPDFMargins", &status);
  ASSERT_EQ(status, 0);
  struct Enable {
    CupsPrint* test;
    ~Enable() {
      test->Admin("cancel -a ArdelPDFMargins");
      test->Admin("cupsenable ArdelPDFMargins");
    }
  } enable{this};

  DialogRecords records;
  ScratchDir dir;
  const std::string note = dir.Write("note.txt", std::string("waiting\n"));
  RunPrintDialog(records, [&](TdxfmPrintDialog& d) {
    Choose(d, "ArdelPDFMargins");
    EXPECT_EQ(d.StatusValue()->text(), "Paused");
    EXPECT_EQ(d.StatusValue()->palette().color(QPalette::WindowText), ColorToQColor(clHighlight));

    int lp = 0;
    ShellOutput("lp -h '" + socket_ + "' -d ArdelPDFMargins '" + note + "'", &lp);
    ASSERT_EQ(lp, 0);
    d.ReadPrinterState();
    EXPECT_EQ(d.StatusValue()->text(), "Printing: 1 document(s) waiting");
    d.CancelButton()->click();
  });
}

TEST_F(CupsPrint, OnePageTwoCopiesCollated) {
  TdxComponentPrinter printer;
  auto* link = new TestLink;
  link->Pages = 3;
  printer.AddLink(link);
  int jobId = 0, announced = 0;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int count) {
    jobId = GetPrintDevice().JobId();
    announced = count;
  };
  printer.PrintTitle = "dialog copies";
  AnswerModal<TdxfmPrintDialog>([&](TdxfmPrintDialog& d) {
    QApplication::setActiveWindow(&d);
    Choose(d, "ArdelPDF");
    d.PageRangesButton()->click();
    d.PageRangesEdit()->setText("1");
    d.Copies()->SetValue(2);
    d.CollateCheck()->click();
    d.OKButton()->click();
  });
  EXPECT_TRUE(printer.Print(true));
  ASSERT_GT(jobId, 0);
  EXPECT_EQ(announced, 2);
  EXPECT_EQ(WaitForCupsJob(jobId), 9);
  const std::string pdf = CupsJobPdf(sandbox_ + "/pdf", jobId);
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(PdfPageCount(pdf), 2);
  ScratchDir scratch;
  EXPECT_EQ(PdfPageBars(pdf, scratch.Path("page")), (std::vector<int>{1, 1}));
  EXPECT_TRUE(messages.empty());
}

TEST_F(CupsPrint, PrinterOptionsTravelWithTheJob) {
  TdxComponentPrinter printer;
  auto* link = new TestLink;
  link->Pages = 1;
  printer.AddLink(link);
  int jobId = 0;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) {
    jobId = GetPrintDevice().JobId();
  };
  std::vector<QString> resolutions;
  AnswerModal<TdxfmPrintDialog>([&](TdxfmPrintDialog& d) {
    QApplication::setActiveWindow(&d);
    Choose(d, "ArdelPDFMargins");
    // The printer's own dialog, answered through its controls.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog || dialog->objectName() != "DocumentProperties") return;
      poll.stop();
      auto* resolution = dialog->findChild<QComboBox*>("Resolution");
      auto* duplex = dialog->findChild<QComboBox*>("Duplex");
      auto* color = dialog->findChild<QComboBox*>("Color");
      ASSERT_TRUE(resolution && duplex && color);
      for (int i = 0; i < resolution->count(); ++i) resolutions.push_back(resolution->itemText(i));
      resolution->setCurrentIndex(resolution->findText("600 dpi"));
      duplex->setCurrentIndex(1);  // long edge
      color->setCurrentIndex(0);   // monochrome
      dialog->accept();
    });
    poll.start(20);
    d.PropertiesButton()->click();
    poll.stop();
    EXPECT_EQ(d.CancelButton()->text(), "Close");
    d.OKButton()->click();
  });
  EXPECT_TRUE(printer.Print(true));
  EXPECT_EQ(resolutions, (std::vector<QString>{"150 dpi", "300 dpi", "600 dpi", "1200 dpi", "2400 dpi"}));
  ASSERT_GT(jobId, 0);
  EXPECT_EQ(WaitForCupsJob(jobId), 9);
  const std::string attributes = JobAttributes(jobId);
  EXPECT_NE(attributes.find("printer-resolution (resolution) = 600dpi"), std::string::npos) << attributes;
  EXPECT_NE(attributes.find("sides (keyword) = two-sided-long-edge"), std::string::npos) << attributes;
  // Colour, like paper, orientation and source, is the report page's to
  // decide: the page (without gray shading) prints in colour.
  EXPECT_NE(attributes.find("print-color-mode (keyword) = color"), std::string::npos) << attributes;
  // The settings stay with the printer for the next job.
  ASSERT_TRUE(GetPrintDevice().Settings());
  EXPECT_EQ(GetPrintDevice().Settings()->PrintQuality, 600);
}

TEST_F(CupsPrint, NetworkPrinterByAddress) {
  ASSERT_FALSE(port_.empty());
  const std::string address = "ipp://127.0.0.1:" + port_ + "/printers/ArdelPDF";
  std::vector<std::string> typed = {"http://127.0.0.1/ipp/print", "ipp://127.0.0.1:1/ipp/print", address};
  std::size_t next = 0;
  AnswerModal<QDialog>("ConnectPrinter", [&](QDialog& dialog) {
    auto* box = dialog.findChild<QLineEdit*>("Address");
    ASSERT_NE(box, nullptr);
    if (!box->text().isEmpty()) {
      // Back after a failure: the address stays to be corrected; cancelled.
      EXPECT_EQ(box->text().toStdString(), typed[next - 1]);
      dialog.reject();
      return;
    }
    if (next >= typed.size()) {
      dialog.reject();
      return;
    }
    box->setText(QString::fromStdString(typed[next++]));
    dialog.accept();
  });
  TdxPrintDevice& device = GetPrintDevice();
  // Two addresses that do not lead to a printer.
  EXPECT_FALSE(device.ConnectNetworkPrinter(nullptr));
  EXPECT_FALSE(device.ConnectNetworkPrinter(nullptr));
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "\"http://127.0.0.1/ipp/print\" is not the address of a network printer. Enter an address "
                         "such as ipp://host/ipp/print.");
  EXPECT_EQ(messages[1].rfind("Cannot reach the printer at \"ipp://127.0.0.1:1/ipp/print\": ", 0), 0u)
      << messages[1];
  messages.clear();

  // The scheduler's own printer, reached over the network, through the dialog.
  std::string connected;
  struct Remove {
    CupsPrint* test;
    std::string* name;
    ~Remove() {
      if (!name->empty()) test->Admin("lpadmin -x '" + *name + "'");
    }
  } remove{this, &connected};
  DialogRecords records;
  RunPrintDialog(records, [&](TdxfmPrintDialog& d) {
    const int before = d.Printers()->count();
    if (d.NetworkButton()->isEnabled()) {
      d.NetworkButton()->click();
    } else {  // no network here: the device connects it, the dialog shows it
      ASSERT_TRUE(GetPrintDevice().ConnectNetworkPrinter(&d));
    }
    for (const TdxPrinterEntry& e : GetPrintDevice().PrinterEntries())
      if (e.DisplayName.rfind("ArdelPDF_", 0) == 0) connected = e.DisplayName;
    ASSERT_FALSE(connected.empty());
    if (d.CancelButton()->text() == "Close") {
      EXPECT_EQ(d.Printers()->count(), before + 1);
    }
    d.CancelButton()->click();
  });
  EXPECT_TRUE(messages.empty());
  // A queue that prints there is used again, not made twice.
  next = 2;
  const int count = int(device.PrinterEntries().size());
  EXPECT_TRUE(device.ConnectNetworkPrinter(nullptr));
  EXPECT_EQ(int(device.PrinterEntries().size()), count);
  // It prints like any other.
  RunPrintDialog(records, [&](TdxfmPrintDialog& d) {
    Choose(d, QString::fromStdString(connected));
    EXPECT_EQ(d.WhereValue()->text().toStdString(), address);
    EXPECT_EQ(d.StatusValue()->text(), "Ready");
    d.CancelButton()->click();
  });
}
