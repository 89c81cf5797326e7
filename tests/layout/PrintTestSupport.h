// Helpers of the print tests: printers described by hand, environment
// changes undone at the end of a test, and checks of printed PDFs with the
// poppler tools (pdfinfo, pdftoppm).
#pragma once

#include <QImage>
#include <QRect>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "layout/PrintDevice.h"

// A print device whose spooler is a list of printers described by hand.
class FakePrintDevice : public TdxPrintDevice {
 public:
  std::vector<PrintBackend::TPrinterEntry> Printers;
  std::map<std::string, PrintBackend::TPrinter> Descriptions;
  std::string Default;

  void Add(const PrintBackend::TPrinter& printer, bool isDefault = false);
  std::string DefaultPrinterName() const override { return Default; }

 protected:
  std::vector<PrintBackend::TPrinterEntry> EnumPrinters() override { return Printers; }
  std::unique_ptr<PrintBackend::TPrinter> OpenPrinter(const std::string& name) override;
};

PrintBackend::TPrinterPaper Paper(int kind, const std::string& name, int width, int height, int margin = 0);
// A printer with these papers and sources; its default paper is the first
// one, 300 dpi, colour, collation; two-sided printing when duplex is set.
PrintBackend::TPrinter MakePrinter(const std::string& name, std::vector<PrintBackend::TPrinterPaper> papers,
                                   std::vector<PrintBackend::TPrinterBin> bins = {{7, "Automatically Select", ""}},
                                   bool duplex = false, int dpi = 300);

// One job on a 600 dpi Letter printer without unprintable margins, printed
// into the PDF file: draw paints on the job's canvas, given its printable
// rectangle. False (with a test failure) when the job could not begin.
bool PrintAt600Dpi(const std::string& file, const std::function<void(TCanvas&, const TRect&)>& draw);

// Sets (or, with nothing, removes) an environment variable and puts it back
// at the end of the scope. Changing CUPS_SERVER also makes the spooler
// client look the scheduler up again.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Output and exit status of a shell command.
std::string RunCommand(const std::string& command, int* status = nullptr);
bool HaveCommand(const char* name);

struct PdfInfo {
  int Pages = 0;
  std::vector<std::pair<double, double>> PageSizes;  // points
};
// pdfinfo's page count and page sizes; Pages 0 when the file is no PDF.
PdfInfo ReadPdfInfo(const std::string& file);
// One page rendered in gray at dpi (null image on failure).
QImage RenderPdfPage(const std::string& file, int page, int dpi);
// The bounding box of the dark pixels (gray below 128); empty when none.
QRect DarkBox(const QImage& image);
// True when the box of the dark pixels lies within tolerance pixels of the
// expected rectangle on every side; prints the difference otherwise.
bool BoxNear(const QRect& actual, const QRectF& expected, double tolerance);
