// Print jobs of the component printer: Print with and without the dialog,
// the default dialog data, page lists from page range texts, and the job on
// the print device (page order, filters, copies, collation, abort, busy and
// failing printers).
#include <QCoreApplication>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <exception>

#include "engine/ComponentPrinter.h"
#include "layout/UserLocale.h"
#include "layout/ReportRenderer.h"
#include "layout/PrintDevice.h"
#include "platform/Application.h"
#include "platform/MessageDialogs.h"
#include "platform/ScopeExit.h"
#include "platform/ScopedValue.h"
#include "report/CellBorders.h"
#include "report/EventBus.h"

using namespace dxPSComponentPrinterMessages;

// ---- The dialog entries -------------------------------------------------------------

namespace {
TdxShowPrintDialogFunc& ShowPrintDialogFunc() {
  static TdxShowPrintDialogFunc func;
  return func;
}
TdxPageSetupFunc& PageSetupFunc() {
  static TdxPageSetupFunc func;
  return func;
}
}  // namespace

void dxPSSetShowPrintDialog(TdxShowPrintDialogFunc func) { ShowPrintDialogFunc() = std::move(func); }

bool dxPSShowPrintDialog(TdxPrintDlgData& data) {
  if (!data.DialogData || !ShowPrintDialogFunc()) return false;
  return ShowPrintDialogFunc()(data);
}

void dxPSSetPageSetupDialog(TdxPageSetupFunc func) { PageSetupFunc() = std::move(func); }

// ---- Page ranges ----------------------------------------------------------------------

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A decimal page number (blanks around it allowed).
bool ParseNumber(std::string_view s, int& value) {
  s = Trim(s);
  if (s.empty()) return false;
  std::int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > INT_MAX) return false;
  }
  value = int(v);
  return true;
}

std::vector<std::string_view> Split(std::string_view s, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = s.find(separator, start);
    std::string_view part = s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!part.empty()) parts.push_back(part);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

}  // namespace

bool dxPSParsePageRanges(const std::string& text, std::vector<int>& pages) {
  pages.clear();
  if (Trim(text).empty()) return false;
  for (std::string_view piece : Split(text, ',')) {
    if (piece.find('-') == std::string_view::npos) {
      int page = 0;
      if (!ParseNumber(piece, page) || pages.size() >= std::size_t(dxMaxPageListLength)) {
        pages.clear();
        return false;
      }
      pages.push_back(page);
      continue;
    }
    const std::vector<std::string_view> bounds = Split(piece, '-');
    if (bounds.size() != 2) {
      // Not a range of two numbers: holds the place of a page 0.
      if (pages.size() >= std::size_t(dxMaxPageListLength)) {
        pages.clear();
        return false;
      }
      pages.push_back(0);
      continue;
    }
    int first = 0, last = 0;
    if (!ParseNumber(bounds[0], first) || !ParseNumber(bounds[1], last) || last < first ||
        std::int64_t(pages.size()) + (std::int64_t(last) - first + 1) > dxMaxPageListLength) {
      pages.clear();
      return false;
    }
    for (std::int64_t p = first; p <= last; ++p) pages.push_back(int(p));
  }
  if (pages.empty() || pages.front() == 0) {
    pages.clear();
    return false;
  }
  return true;
}

namespace {

// What a page range text holds, found without building its list, so that a
// text such as 1-2000000000 is checked by arithmetic alone.
struct PageRangesScan {
  std::int64_t Count = 0;
  int First = 0;
  int Low = INT_MAX;
  int High = INT_MIN;
};

// The rules of dxPSParsePageRanges, except for the length limit.
bool ScanPageRanges(const std::string& text, PageRangesScan& scan) {
  scan = {};
  if (Trim(text).empty()) return false;
  auto add = [&](int first, int last) {
    if (scan.Count == 0) scan.First = first;
    scan.Low = std::min(scan.Low, first);
    scan.High = std::max(scan.High, last);
    scan.Count += std::int64_t(last) - first + 1;
  };
  for (std::string_view piece : Split(text, ',')) {
    if (piece.find('-') == std::string_view::npos) {
      int page = 0;
      if (!ParseNumber(piece, page)) return false;
      add(page, page);
      continue;
    }
    const std::vector<std::string_view> bounds = Split(piece, '-');
    if (bounds.size() != 2) {
      add(0, 0);
      continue;
    }
    int first = 0, last = 0;
    if (!ParseNumber(bounds[0], first) || !ParseNumber(bounds[1], last) || last < first) return false;
    add(first, last);
  }
  return scan.Count > 0 && scan.First != 0;
}

}  // namespace

TdxPageRangesCheck dxPSCheckPageRanges(const std::string& text, int minPage, int maxPage, std::vector<int>* pages) {
  TdxPageRangesCheck result = prcValid;
  PageRangesScan scan;
  if (Trim(text).empty())
    result = prcEmpty;
  else if (!ScanPageRanges(text, scan))
    result = prcInvalid;
  else if (scan.Low < minPage || (maxPage != -1 && scan.High > maxPage))
    result = prcOutOfRange;
  if (pages) {
    pages->clear();
    // The list itself only when it is not too long to hold.
    if ((result == prcValid || result == prcOutOfRange) && !dxPSParsePageRanges(text, *pages) &&
        result == prcValid)
      result = prcInvalid;
  }
  return result;
}

// ---- Print ----------------------------------------------------------------------------

bool TCustomdxComponentPrinter::Print(bool showDialog, TdxPrintDlgData* data, TBasedxReportLink* link) {
  link = ResolveLink(link);
  if (!link) return false;

  std::unique_ptr<TdxPrintDlgData> own;
  const bool madeData = OnInitializePrintDlgData && !data;
  if (madeData) {
    CreatePrintDlgData(own);
    data = own.get();
    DoInitializePrintDlgData(link, data);
  }
  ScopeExit finalize([&] {
    if (!madeData) return;
    DoFinalizePrintDlgData(link, data);
    FreePrintDlgData(own);
  });

  if (showDialog) return PrintWithDialog(link, data);
  PrepareToPrint(link);
  ScopeExit unprepare([&] { ClearPrepared(link); });
  lastJobFailed_ = false;
  lastJobError_.clear();
  if (link->PageCount() <= 0) return false;
  if (data && data->DialogData) {
    const TdxPrintDialogData& d = *data->DialogData;
    return PrintPages(d.PageRanges, d.NumberOfPages, d.Copies, d.Collate, link);
  }
  PrintAllPages(dxPageFilterAll, 1, link, false);
  return !lastJobFailed_;
}

bool TCustomdxComponentPrinter::PrintWithDialog(TBasedxReportLink* link, TdxPrintDlgData* data) {
  link = ResolveLink(link);
  if (!link) return false;
  showingPrintDialog_ = true;
  std::unique_ptr<TdxPrintDlgData> own;
  bool result = false, requested = false, outputFileSet = false;

  {
    ScopeExit finish([&] {
      // A print-to-file name that no job took (nothing printed, a refused
      // margin check) must not send a later job into that file.
      if (outputFileSet) {
        TdxPrintDevice& device = GetPrintDevice();
        if (!device.JobActive()) device.JobOutputFile.clear();
      }
      if (own) FreePrintDlgData(own);
      printingAllPages_ = false;
      showingPrintDialog_ = false;
    });
    if (!data) {
      CreatePrintDlgData(own);
      data = own.get();
    }
    result = dxPSShowPrintDialog(*data);
    requested = data->Requested;
    if (result && data->DialogData) {
      TdxPrintDialogData& d = *data->DialogData;
      PrintToFile = d.PrintToFile;
      PrintDialogFiles = d.FileNames;
      if (!requested) {
        lastJobFailed_ = false;
        lastJobError_.clear();
        if (d.PrintToFile) {
          GetPrintDevice().JobOutputFile = d.FileName;
          outputFileSet = true;
        }
        printingAllPages_ = d.PageRangeKind == prkAll;
        switch (d.PageRangeKind) {
          case prkCurrentPage:
            d.PageRanges = std::to_string(link->CurrentPage());
            [[fallthrough]];
          case prkPageRanges:
            result = PrintPages(d.PageRanges, d.NumberOfPages, d.Copies, d.Collate, link);
            break;
          default:
            PrintAllPages(d.NumberOfPages, d.Copies, link, d.Collate);
            result = !lastJobFailed_;
            break;
        }
      }
    }
  }
  if (requested) Preview(true, link);
  return result;
}

bool TCustomdxComponentPrinter::PrintPages(const std::string& pageRanges, int filter, int copies, bool collate,
                                           TBasedxReportLink* link) {
  link = ResolveLink(link);
  if (!link) return false;
  std::vector<int> pages;
  if (!dxPSParsePageRanges(pageRanges, pages)) return false;
  PrintPageList(pages, filter, copies, collate, link);
  return !lastJobFailed_;
}

void TCustomdxComponentPrinter::PrintAllPages(int filter, int copies, TBasedxReportLink* link, bool collate) {
  link = ResolveLink(link);
  if (!link) return;
  PrepareToPrint(link);
  ScopeExit unprepare([&] { ClearPrepared(link); });
  const int pageCount = link->PageCount();
  if (pageCount <= 0) return;
  printingAllPages_ = true;
  ScopeExit allPagesDone([this] { printingAllPages_ = false; });
  PrintPages("1-" + std::to_string(pageCount), filter, copies, collate, link);
}

void TCustomdxComponentPrinter::PrepareToPrint(TBasedxReportLink* link) {
  link = ResolveLink(link);
  if (!link || link->Prepared) return;
  if (!link->DataProviderPresent()) {
    link->Prepared = false;
    return;
  }
  // An open preview prints the report it shows.
  if (!previewWindow_ && NeedsRebuild(cpoAutoRebuildBeforePrint))
    RebuildLink(link);
  else if (AutoUpdateDateTime)
    link->SetDateTime(dxNow());
  link->Prepared = true;
}

void TCustomdxComponentPrinter::ClearPrepared(TBasedxReportLink* link) {
  link = ResolveLink(link);
  if (link) link->Prepared = false;
}

// ---- The job ----------------------------------------------------------------------------

void TCustomdxComponentPrinter::PrintPageList(const std::vector<int>& pages, int filter, int copies, bool collate,
                                              TBasedxReportLink* link) {
  lastJobFailed_ = false;
  lastJobError_.clear();
  link = ResolveLink(link);
  if (!link || !link->DataProviderPresent()) return;
  PrepareToPrint(link);
  ScopeExit unprepare([&] { ClearPrepared(link); });
  RunPrintJob(link, pages, filter, copies, collate);
}

std::vector<int> TCustomdxComponentPrinter::PrintingOrder(TBasedxReportLink* link, const std::vector<int>& pages) const {
  std::vector<int> order = pages;
  if (link->RealPrinterPage().PageOrder() != poDownThenOver) return order;
  const TdxPSReportRenderInfo& info = link->RenderInfo();
  const int columns = info.ColumnCount(), rows = info.RowCount();
  if (columns <= 1 || rows <= 1) return order;
  bool whole = printingAllPages_;
  if (!whole) {
    const int pageCount = link->PageCount();
    whole = int(pages.size()) == pageCount;
    for (std::size_t i = 0; whole && i < pages.size(); ++i) whole = pages[i] == int(i) + 1;
  }
  if (!whole) return order;
  // Report pages run row by row; print them column by column. Positions
  // beyond the list are skipped and list entries beyond the grid follow in
  // their own order, so the result is always a reordering of the list.
  std::vector<int> result;
  result.reserve(order.size());
  const std::size_t n = order.size();
  for (int column = 0; column < columns; ++column)
    for (int row = 0; row < rows; ++row) {
      const std::size_t index = std::size_t(row) * std::size_t(columns) + std::size_t(column);
      if (index < n) result.push_back(order[index]);
    }
  for (std::size_t index = std::size_t(columns) * std::size_t(rows); index < n; ++index)
    result.push_back(order[index]);
  return result;
}

void TCustomdxComponentPrinter::RunPrintJob(TBasedxReportLink* link, const std::vector<int>& requestedPages,
                                            int filter, int copies, bool collate) {
  if (link->PageCount() <= 0) return;
  TdxPrintDevice& device = GetPrintDevice();
  device.HasPrinters(true);
  if (device.JobActive()) {
    DoPrintDeviceBusy();
    return;
  }
  if (!link->CheckMarginsInPrintableArea()) return;
  // Margins moved into the printable area re-paginate the report: "all pages"
  // are then all pages of the new layout, or content would be left out.
  const int pageCount = link->PageCount();
  if (pageCount <= 0) return;
  std::vector<int> allPages;
  if (printingAllPages_ && int(requestedPages.size()) != pageCount) {
    allPages.resize(std::size_t(pageCount));
    for (int i = 0; i < pageCount; ++i) allPages[std::size_t(i)] = i + 1;
  }
  const std::vector<int>& pages = allPages.empty() ? requestedPages : allPages;

  copies = std::max(copies, 1);
  std::int64_t announced = std::int64_t(pages.size()) * copies;
  if (filter == dxPageFilterEven)
    announced /= 2;
  else if (filter == dxPageFilterOdd)
    announced = (announced + 1) / 2;
  const int announcedCount = int(std::min<std::int64_t>(announced, INT_MAX));
  const std::vector<int> order = PrintingOrder(link, pages);

  auto valid = [&](std::size_t position) {
    const int page = order[position];
    if (page < 1 || page > pageCount) return false;
    if (filter == dxPageFilterEven) return position % 2 == 1;
    if (filter == dxPageFilterOdd) return position % 2 == 0;
    return true;
  };

  link->NotifyPrintStyle(TdxPrintStyleNotification::BeforePrinting);
  printing_ = true;
  bool began = false, ended = false;
  std::exception_ptr failure;
  int printed = 0;

  auto endNotifications = [&] {
    ended = true;
    DoEndPrint(currentLink_);
    dxPSEventSystem()->ProcessEvent(std::make_unique<TdxPSPrintEvent>(this, announcedCount, printed, link,
                                                                      dxPSStageEnd));
  };

  auto printEntry = [&](int page) {
    if (printed > 0) {
      DoNewPage(currentLink_, printed);
      dxPSEventSystem()->ProcessEvent(
          std::make_unique<TdxPSPrintEvent>(this, announcedCount, printed, link, dxPSStageProgress));
      device.NewJobPage();
    }
    if (Application::Terminating()) AbortPrint();
    if (!abortRequested_) PrintPage(link, page - 1);
    ++printed;
  };

  try {
    if (device.Copies() > 1) {
      savedCopies_ = device.Copies();
      device.SetCopies(1);
    }
    if (device.Collate()) {
      savedCollate_ = true;
      device.SetCollate(false);
    }
    link->RealPrinterPage().ApplyToPrintDevice();
    // Patterns on paper keep the size they have on the screen: their printer
    // items are rebuilt at this printer's resolution.
    const int printerPPI = device.InfoContext().LogPixelsY;
    TdxPSEdgePatternFactory::Instance()->SetPrinterPixelsPerInch(printerPPI);
    TdxPSFillPatternFactory::Instance()->SetPrinterPixelsPerInch(printerPPI);
    TdxPSEdgePatternFactory::Instance()->ResetPrinterItems();
    TdxPSFillPatternFactory::Instance()->ResetPrinterItems();

    std::string title = PrintTitle;
    DoGetPrintTitle(currentLink_, title);
    device.JobTitle = title;

    if (device.BeginJob() <= 0) {
      std::string port = device.PortName().value_or("");
      std::transform(port.begin(), port.end(), port.begin(), [](unsigned char c) { return char(std::toupper(c)); });
      if (port != "FILE:") {
        lastJobFailed_ = true;
        lastJobError_ = device.JobLastError();
        DoPrintDeviceError();
      }
    } else {
      began = true;
      DoStartPrint(currentLink_, announcedCount);
      dxPSEventSystem()->ProcessEvent(
          std::make_unique<TdxPSPrintEvent>(this, announcedCount, 0, link, dxPSStageStart));

      if (collate || copies < 2) {
        for (int copy = 0; copy < copies && !abortRequested_; ++copy)
          for (std::size_t i = 0; i < order.size() && !abortRequested_; ++i)
            if (valid(i)) printEntry(order[i]);
      } else {
        for (std::size_t i = 0; i < order.size() && !abortRequested_; ++i)
          if (valid(i))
            for (int copy = 0; copy < copies && !abortRequested_; ++copy) printEntry(order[i]);
      }

      if (device.JobActive()) {
        if (abortRequested_)
          device.AbortJob();
        else
          device.EndJob();
      }
      endNotifications();
    }
  } catch (const std::exception& e) {
    failure = std::current_exception();
    lastJobError_ = e.what();
  } catch (...) {
    failure = std::current_exception();
  }

  if (failure) {
    // Nothing of a failed job is delivered: the document is discarded.
    lastJobFailed_ = true;
    if (device.JobActive()) {
      try {
        device.AbortJob();
      } catch (const std::exception& e) {
        Application::ShowException(e);
      }
    }
    if (began && !ended) {
      try {
        endNotifications();
      } catch (const std::exception& e) {
        Application::ShowException(e);
      }
    }
  }
  abortRequested_ = false;

  // The device gets back the copies and collation it had.
  try {
    if (savedCopies_ > 1) device.SetCopies(savedCopies_);
    if (savedCollate_) device.SetCollate(true);
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
  savedCopies_ = 1;
  savedCollate_ = false;
  printing_ = false;
  link->NotifyPrintStyle(TdxPrintStyleNotification::AfterPrinting);

  if (failure) DoPrintDeviceError();
}

void TCustomdxComponentPrinter::PrintPage(TBasedxReportLink* link, int pageIndex) {
  if (abortRequested_) return;
  link = ResolveLink(link);
  if (!link) return;
  TdxPrintDevice& device = GetPrintDevice();
  const int offsetX = device.PhysicalOffset(0), offsetY = device.PhysicalOffset(1);
  // The whole sheet, in the coordinates of the printable area (whose margins
  // need not be the same on opposite sides).
  const TDeviceCaps& caps = device.InfoContext();
  const int sheetWidth = caps.PhysicalWidth > 0 ? caps.PhysicalWidth : device.PrintableWidth() + 2 * offsetX;
  const int sheetHeight = caps.PhysicalHeight > 0 ? caps.PhysicalHeight : device.PrintableHeight() + 2 * offsetY;
  const TRect pageRect(-offsetX, -offsetY, sheetWidth - offsetX, sheetHeight - offsetY);
  PaintLinkPage(device.Canvas().Canvas(), pageIndex, pageRect, link);
}

// ---- Busy and error -------------------------------------------------------------------

void TCustomdxComponentPrinter::ShowPrintDeviceBusy() { MessageError(PrinterBusy); }

void TCustomdxComponentPrinter::ShowPrintDeviceError() {
  MessageError(lastJobError_.empty() ? std::string(PrinterError) : PrinterError + ("\n" + lastJobError_));
}

// ---- Dialog data ------------------------------------------------------------------------

void TCustomdxComponentPrinter::CreatePrintDlgData(std::unique_ptr<TdxPrintDlgData>& data) {
  data = std::make_unique<TdxPrintDlgData>();
  data->OwnDialogData = std::make_unique<TdxPrintDialogData>();
  data->DialogData = data->OwnDialogData.get();
  data->OwnEvents = std::make_unique<TdxPrintDlgEvents>();
  data->Events = data->OwnEvents.get();
  data->Title = "Print";

  TdxPrintDialogData& d = *data->DialogData;
  const int pageCount = currentLink_ ? currentLink_->PageCount() : 0;
  d.PageCount = pageCount;
  if (pageCount > 0) {
    d.MinPage = 1;
    d.MaxPage = pageCount;
  } else {
    d.MinPage = 0;
    d.MaxPage = -1;
  }
  d.PrintToFile = PrintToFile;
  d.FileNames = PrintDialogFiles;
  d.StyleManager = currentLink_ ? currentLink_->StyleManager() : nullptr;
  if (previewWindow_ && !(previewOptions_.VisibleOptions & (1u << unsigned(pvoPrintStyles)))) d.StyleManager = nullptr;

  data->ButtonsEnabled = pdbAll;
  data->ButtonsVisible = previewWindow_ ? std::uint8_t(pdbAll & ~pdbPreview) : pdbAll;
  data->OptionsEnabled = data->OptionsVisible = pdoPrintToFile | pdoAllPages | pdoCurrentPage | pdoPageRange;
  data->Events->OnPageSetup = [this](QWidget* sender, bool& done, bool* previewChosen, bool& requested) {
    PrintDialogPageSetup(sender, done, previewChosen, requested);
  };
  data->Validate = true;
}

void TCustomdxComponentPrinter::FreePrintDlgData(std::unique_ptr<TdxPrintDlgData>& data) { data.reset(); }

// ---- Page setup ---------------------------------------------------------------------------

bool TCustomdxComponentPrinter::PageSetup(int activeTab, bool* previewChosen, bool* printChosen,
                                          TBasedxReportLink* link) {
  link = ResolveLink(link);
  if (!link || !PageSetupFunc()) return false;
  bool done = false;
  {
    ScopedValue inPageSetup(inPageSetup_, true);
    done = PageSetupFunc()(*link, activeTab, previewChosen, printChosen);
  }
  DoPageSetup(link, done);
  return done;
}

void TCustomdxComponentPrinter::PrintDialogPageSetup(QWidget*, bool& done, bool* previewChosen, bool& requested) {
  done = currentLink_ && PageSetup(0, previewChosen, &requested, currentLink_);
  if ((done || (previewChosen && *previewChosen)) && previewWindow_ && currentLink_) {
    currentLink_->CalculateRenderInfo();
    previewWindow_->InitializeFromPage();
    previewWindow_->InvalidateContent();
    previewWindow_->UpdateControls();
  }
}
