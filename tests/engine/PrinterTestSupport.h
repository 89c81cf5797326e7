// Helpers of the component printer and print job tests: a report link whose
// pages are described by hand, a page grid of any size, a preview window that
// records what it is asked, and printers described by hand that print into
// PDF files.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <cstdio>
#include <sstream>
#include <sys/wait.h>
#include <string>
#include <vector>

#include "engine/ComponentPrinter.h"
#include "layout/ReportRenderer.h"
#include "layout/PrintDevice.h"
#include "tests/TestSupport.h"

// A page grid of a chosen size (the pagination itself is not run); a
// calculation after a rebuild brings the grid back.
class GridRenderInfo : public TdxPSReportRenderInfo {
  DX_CLASS(GridRenderInfo, TdxPSReportRenderInfo)

 public:
  void SetGrid(int columns, int rows) {
    columns_ = columns;
    rows_ = rows;
    Calculate();
  }
  void Calculate() override {
    columnCount_ = columns_;
    rowCount_ = rows_;
  }

 private:
  int columns_ = 0, rows_ = 0;
};

// A link with Pages pages; each page shows "PAGE-<n>" in black at its top
// left and a black bar whose height grows with n.
class TestLink : public TBasedxReportLink {
 public:
  int Pages = 3;
  int Builds = 0;
  bool FailBuild = false;
  bool HasData = true;
  std::vector<std::pair<int, int>> Painted;  // (page index, zoom)

  int PageCount() override { return Pages; }
  bool DataProviderPresent() const override { return HasData; }
  void InternalRebuild() override {
    ++Builds;
    if (FailBuild) throw EdxReportLink("the build failed");
    RenderInfo().Calculate();
  }
  void PaintPage(TCanvas& canvas, const TRect& pageRect, int zoom, int pageIndex) override {
    Painted.emplace_back(pageIndex, zoom);
    if (!canvas.CanDraw() || pageRect.IsEmpty()) return;
    const int h = pageRect.Height(), w = pageRect.Width();
    TFont font;
    font.Name = "Arial";
    font.Height = -std::max(h / 30, 1);
    font.Color = clBlack;
    canvas.SetFont(font);
    canvas.SetBkMode(TRANSPARENT);
    canvas.TextOut(pageRect.Left + w / 10, pageRect.Top + h / 10, "PAGE-" + std::to_string(pageIndex + 1));
    canvas.FillRect(TRect(pageRect.Left + w / 10, pageRect.Top + h / 5, pageRect.Left + w / 5,
                          pageRect.Top + h / 5 + (pageIndex + 1) * h / 40),
                    clBlack);
  }
  TdxClass RenderInfoClass() const override { return GridRenderInfo::StaticClass(); }
  GridRenderInfo& Grid() { return static_cast<GridRenderInfo&>(RenderInfo()); }
};

// A preview window that records what the printer asks of it.
class FakePreviewWindow : public TBasedxPreviewWindow {
 public:
  static inline FakePreviewWindow* Last = nullptr;
  static inline int Alive = 0;
  static inline int Created = 0;
  // Runs inside Execute (a modal window "runs" there).
  static inline std::function<void(FakePreviewWindow&, bool modal)> OnExecute;
  static inline bool FailApplyOptions = false;

  FakePreviewWindow() {
    Last = this;
    ++Alive;
    ++Created;
  }
  ~FakePreviewWindow() override {
    --Alive;
    if (Last == this) Last = nullptr;
  }

  TCustomdxComponentPrinter* Printer = nullptr;
  int Selected = -1, Count = 0, Zoom = 100, UpdateDepth = 0, Invalidated = 0, Initialized = 0, Executed = 0;
  bool Small = true;
  std::string AppliedCaption;
  std::vector<int> SelectCalls;

  // Takes the page count of the printer's current link, as a window does.
  void SetComponentPrinter(TCustomdxComponentPrinter* printer) override {
    Printer = printer;
    Count = printer && printer->CurrentLink() ? printer->CurrentLink()->PageCount() : 0;
  }
  TCustomdxComponentPrinter* ComponentPrinter() const override { return Printer; }
  int SelectedPageIndex() const override { return Selected; }
  void SelectPage(int index) override {
    SelectCalls.push_back(index);
    Selected = index >= 0 && index < Count ? index : -1;
  }
  int PageCount() const override { return Count; }
  void SetPageCount(int count) override {
    Count = count;
    if (Selected >= count) Selected = -1;
  }
  int ZoomFactor() const override { return Zoom; }
  void SetZoomFactor(int zoom) override { Zoom = zoom; }
  bool ThumbnailsSmall() const override { return Small; }
  void BeginUpdate() override { ++UpdateDepth; }
  void EndUpdate() override { --UpdateDepth; }
  void InitializeFromPage() override { ++Initialized; }
  void InvalidateContent() override { ++Invalidated; }
  void UpdateControls() override {}
  void ApplyOptions(const TdxPreviewOptions& options) override {
    if (FailApplyOptions) throw EdxComponentPrinter("options refused");
    AppliedCaption = options.Caption;
  }
  void Execute(bool modal) override {
    ++Executed;
    if (!modal) show();
    if (OnExecute) OnExecute(*this, modal);
  }
};

// A print device whose printers are described by hand.
class HandPrintDevice : public TdxPrintDevice {
 public:
  std::vector<PrintBackend::TPrinterEntry> Printers;
  std::vector<PrintBackend::TPrinter> Descriptions;
  std::string Default;

  std::string DefaultPrinterName() const override { return Default; }
  // Makes printer the one printer, and the default.
  void SetOnlyPrinter(const PrintBackend::TPrinter& printer) {
    Printers = {{printer.Name(), true, false}};
    Descriptions = {printer};
    Default = printer.Name();
  }

 protected:
  std::vector<PrintBackend::TPrinterEntry> EnumPrinters() override { return Printers; }
  std::unique_ptr<PrintBackend::TPrinter> OpenPrinter(const std::string& name) override {
    for (const auto& p : Descriptions)
      if (p.Name() == name) return std::make_unique<PrintBackend::TPrinter>(p);
    return nullptr;
  }
};

// A Letter printer at dpi without unprintable margins that takes copies and
// collation.
// unprintable: the strip along each edge of the paper that the printer
// cannot reach, in hundredths of a millimetre.
inline PrintBackend::TPrinter HandLetterPrinter(const std::string& name, int dpi = 100, int unprintable = 0) {
  using namespace PrintBackend;
  TPrinterSettings s;
  s.Fields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES | DM_DEFAULTSOURCE |
             DM_PRINTQUALITY | DM_COLOR | DM_COLLATE;
  s.PaperSize = DMPAPER_LETTER;
  s.PrintQuality = dpi;
  TPrinterPaper letter;
  letter.Kind = DMPAPER_LETTER;
  letter.Name = "Letter";
  letter.Width = 2159;
  letter.Height = 2794;
  letter.Media = "na_letter_8.5x11in";
  letter.Margins = TRect(unprintable, unprintable, unprintable, unprintable);
  TPrinter p(name, s, {letter}, {{DMBIN_AUTO, "Automatically Select", ""}});
  p.SetLimits(99, TSize{}, TSize{});
  return p;
}

// Puts a device in place of the process-wide one for the scope.
class ScopedPrintDevice {
 public:
  explicit ScopedPrintDevice(std::unique_ptr<TdxPrintDevice> device)
      : device_(device.get()), old_(dxReplacePrintDevice(std::move(device))) {}
  ~ScopedPrintDevice() { dxReplacePrintDevice(std::move(old_)); }
  ScopedPrintDevice(const ScopedPrintDevice&) = delete;
  ScopedPrintDevice& operator=(const ScopedPrintDevice&) = delete;
  TdxPrintDevice& Device() { return *device_; }

 private:
  TdxPrintDevice* device_;
  std::unique_ptr<TdxPrintDevice> old_;
};

// ---- PDF checks with the poppler tools ----

inline std::string ShellOutput(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) {
    if (status) *status = -1;
    return out;
  }
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  const int rc = pclose(pipe);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

// The number of pages of a PDF; 0 when it is none.
inline int PdfPageCount(const std::string& file) {
  int status = 0;
  std::istringstream lines(ShellOutput("pdfinfo '" + file + "'", &status));
  if (status != 0) return 0;
  std::string line;
  while (std::getline(lines, line))
    if (line.rfind("Pages:", 0) == 0) return std::atoi(line.c_str() + 6);
  return 0;
}

// The text of each page of a PDF.
inline std::vector<std::string> PdfPageTexts(const std::string& file) {
  std::vector<std::string> texts;
  const int pages = PdfPageCount(file);
  for (int page = 1; page <= pages; ++page)
    texts.push_back(ShellOutput("pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                " '" + file + "' -"));
  return texts;
}

// The page numbers ("PAGE-<n>") the pages of a PDF show, in order; 0 for a
// page without one.
inline std::vector<int> PdfPageNumbers(const std::string& file) {
  std::vector<int> numbers;
  for (const std::string& text : PdfPageTexts(file)) {
    const std::size_t at = text.find("PAGE-");
    numbers.push_back(at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 5));
  }
  return numbers;
}

// What pdfimages lists of a PDF: each picture's kind ("image", "smask",
// "stencil"...) and size in its own pixels.
struct PdfPicture {
  std::string Kind;
  int Width = 0, Height = 0;
  std::string Encoding;  // "jpeg", "image" (flate), ...
};
inline std::vector<PdfPicture> PdfPictures(const std::string& file) {
  std::vector<PdfPicture> pictures;
  std::istringstream lines(ShellOutput("pdfimages -list '" + file + "'"));
  std::string line;
  for (int n = 0; std::getline(lines, line); ++n) {
    if (n < 2) continue;  // the heading and its rule
    std::istringstream fields(line);
    int page = 0, num = 0, components = 0, bits = 0;
    std::string color;
    PdfPicture p;
    if (fields >> page >> num >> p.Kind >> p.Width >> p.Height) {
      fields >> color >> components >> bits >> p.Encoding;
      pictures.push_back(p);
    }
  }
  return pictures;
}

// The number of fonts a PDF uses (pdffonts).
inline int PdfFontCount(const std::string& file) {
  std::istringstream lines(ShellOutput("pdffonts '" + file + "'"));
  std::string line;
  int n = 0;
  while (std::getline(lines, line)) ++n;
  return std::max(0, n - 2);
}

// The page numbers the pages of a PDF show through their bars (a bar from a
// fifth of the page down, n fortieths of the page high for page n), read from
// the rendered pages; for printers that do not keep text as text.
inline std::vector<int> PdfPageBars(const std::string& file, const std::string& scratchPrefix) {
  std::vector<int> numbers;
  const int pages = PdfPageCount(file);
  for (int page = 1; page <= pages; ++page) {
    const std::string prefix = scratchPrefix + std::to_string(page);
    int status = 0;
    ShellOutput("pdftoppm -f " + std::to_string(page) + " -l " + std::to_string(page) +
                    " -r 50 -gray -png -singlefile '" + file + "' '" + prefix + "'",
                &status);
    QImage image(QString::fromStdString(prefix + ".png"));
    if (status != 0 || image.isNull()) {
      numbers.push_back(0);
      continue;
    }
    const int x = image.width() * 15 / 100;
    int top = image.height() / 5 - 2, dark = 0;
    for (int y = std::max(top, 0); y < image.height(); ++y) {
      if (qGray(image.pixel(x, y)) < 128)
        ++dark;
      else if (dark > 0)
        break;
    }
    numbers.push_back(int(double(dark) * 40 / image.height() + 0.5));
  }
  return numbers;
}
