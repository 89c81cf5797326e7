#include "tests/layout/PrintTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

#include "tests/TestSupport.h"

using namespace PrintBackend;

void FakePrintDevice::Add(const TPrinter& printer, bool isDefault) {
  Printers.push_back({printer.Name(), false, false});
  Descriptions.insert_or_assign(printer.Name(), printer);
  if (isDefault) Default = printer.Name();
}

std::unique_ptr<TPrinter> FakePrintDevice::OpenPrinter(const std::string& name) {
  auto it = Descriptions.find(name);
  if (it == Descriptions.end()) return nullptr;
  return std::make_unique<TPrinter>(it->second);
}

TPrinterPaper Paper(int kind, const std::string& name, int width, int height, int margin) {
  TPrinterPaper p;
  p.Kind = kind;
  p.Name = name;
  p.Width = width;
  p.Height = height;
  p.Margins = TRect(margin, margin, margin, margin);
  p.Media = "media-" + std::to_string(kind);
  return p;
}

TPrinter MakePrinter(const std::string& name, std::vector<TPrinterPaper> papers, std::vector<TPrinterBin> bins,
                     bool duplex, int dpi) {
  TPrinterSettings s;
  s.Fields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES | DM_DEFAULTSOURCE |
             DM_PRINTQUALITY | DM_COLOR | DM_COLLATE | (duplex ? DM_DUPLEX : 0);
  s.PaperSize = papers.empty() ? 1 : papers.front().Kind;
  s.DefaultSource = bins.empty() ? 7 : bins.front().Id;
  s.PrintQuality = dpi;
  TPrinter p(name, s, std::move(papers), std::move(bins));
  p.SetLimits(99, TSize{}, TSize{});
  return p;
}

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  if (value)
    setenv(name, value->c_str(), 1);
  else
    unsetenv(name);
  ResetServer();
}

ScopedEnv::~ScopedEnv() {
  if (old_)
    setenv(name_.c_str(), old_->c_str(), 1);
  else
    unsetenv(name_.c_str());
  ResetServer();
}

std::string RunCommand(const std::string& command, int* status) {
  std::string out;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) {
    if (status) *status = -1;
    return out;
  }
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  int rc = pclose(pipe);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

bool HaveCommand(const char* name) {
  int status = 0;
  RunCommand(std::string("command -v ") + name, &status);
  return status == 0;
}

PdfInfo ReadPdfInfo(const std::string& file) {
  PdfInfo info;
  int status = 0;
  std::string out = RunCommand("pdfinfo -f 1 -l 1000 '" + file + "'", &status);
  if (status != 0) return info;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    int page = 0;
    double w = 0, h = 0;
    if (line.rfind("Pages:", 0) == 0) info.Pages = std::atoi(line.c_str() + 6);
    if (std::sscanf(line.c_str(), "Page %d size: %lf x %lf", &page, &w, &h) == 3) info.PageSizes.emplace_back(w, h);
  }
  return info;
}

QImage RenderPdfPage(const std::string& file, int page, int dpi) {
  ScratchDir dir;
  std::string prefix = dir.Path("page");
  int status = 0;
  RunCommand("pdftoppm -f " + std::to_string(page) + " -l " + std::to_string(page) + " -r " + std::to_string(dpi) +
                 " -gray -png -singlefile '" + file + "' '" + prefix + "'",
             &status);
  if (status != 0) return QImage();
  return QImage(QString::fromStdString(prefix + ".png"));
}

QRect DarkBox(const QImage& image) {
  QRect box;
  QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
  for (int y = 0; y < gray.height(); ++y) {
    const uchar* row = gray.constScanLine(y);
    for (int x = 0; x < gray.width(); ++x)
      if (row[x] < 128) box = box.united(QRect(x, y, 1, 1));
  }
  return box;
}

bool BoxNear(const QRect& actual, const QRectF& expected, double tolerance) {
  // actual covers whole pixels: its right edge is x + width.
  double l = actual.x(), t = actual.y(), r = actual.x() + actual.width(), b = actual.y() + actual.height();
  bool ok = !actual.isEmpty() && std::fabs(l - expected.left()) <= tolerance &&
            std::fabs(t - expected.top()) <= tolerance && std::fabs(r - expected.right()) <= tolerance &&
            std::fabs(b - expected.bottom()) <= tolerance;
  if (!ok)
    ADD_FAILURE() << "dark box (" << l << ", " << t << ") - (" << r << ", " << b << "), expected (" << expected.left()
                  << ", " << expected.top() << ") - (" << expected.right() << ", " << expected.bottom() << ")";
  return ok;
}

bool PrintAt600Dpi(const std::string& file, const std::function<void(TCanvas&, const TRect&)>& draw) {
  FakePrintDevice device;
  device.Add(MakePrinter("Fine", {Paper(1, "Letter", 2159, 2794)}, {{7, "Automatically Select", ""}}, false, 600),
             true);
  device.JobOutputFile = file;
  if (device.BeginJob() <= 0) {
    ADD_FAILURE() << device.JobLastError();
    return false;
  }
  TCanvas& canvas = device.Canvas().Canvas();
  EXPECT_TRUE(canvas.IsPrinter());
  EXPECT_EQ(canvas.GetDeviceCaps(LOGPIXELSX), 600);
  draw(canvas, TRect(0, 0, device.PrintableWidth(), device.PrintableHeight()));
  device.EndJob();
  return true;
}
