// The component printer: holds the report links of a window, one of them the
// current link, and runs everything that turns a link's report into
// something the user sees or holds: building with notifications, the preview
// window, print jobs, page setup and design through the link, drawing pages
// and thumbnails for the preview. Long operations show the wait cursor and
// may beep once afterwards.
#pragma once

#include <QObject>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineWindow.h"
#include "engine/PrintDialogData.h"
#include "engine/ReportLink.h"
#include "layout/PrinterPage.h"
#include "platform/Canvas.h"
#include "platform/EnumBits.h"
#include "platform/Graphics.h"
#include "platform/SettingsChangeWatch.h"

class TCustomdxComponentPrinter;
class TAbstractdxReportLinkDesignWindow;

class EdxComponentPrinter : public EdxPrintEngine {
 public:
  using EdxPrintEngine::EdxPrintEngine;
};

namespace dxPSComponentPrinterMessages {
inline constexpr const char* NoPreviewForm = "There is no registered preview form";
inline constexpr const char* PrinterBusy = "Printer is busy";
inline constexpr const char* PrinterError = "Printer has encountered error !";
}  // namespace dxPSComponentPrinterMessages

enum TdxCPOption {
  cpoAutoRebuildBeforePreview,
  cpoAutoRebuildBeforePrint,
  cpoGenerateReportProgressEvent,
  cpoShowHourGlass,
  cpoDropStorageModeAfterPreview
};
using TdxCPOptions = unsigned;  // bit set over TdxCPOption
inline constexpr TdxCPOptions dxCPAllOptions = dxBitsUpTo(cpoDropStorageModeAfterPreview);

enum TdxPageFilter { pfAll = 0, pfEven = 1, pfOdd = 2 };

// ---- Preview options -------------------------------------------------------------

enum TdxPreviewEnableOption {
  peoCanChangeMargins,
  peoHelp,
  peoPageBackground,
  peoPageSetup,
  peoPreferences,
  peoPrint,
  peoReportDesign
};
enum TdxPreviewVisibleOption {
  pvoHelp,
  pvoPageBackground,
  pvoPageSetup,
  pvoPreferences,
  pvoPrint,
  pvoPrintStyles,
  pvoReportDesign,
  pvoReportFileOperations
};
using TdxPreviewEnableOptions = unsigned;
using TdxPreviewVisibleOptions = unsigned;
enum TdxWindowState { wsNormal, wsMinimized, wsMaximized };

struct TdxComponentPrinterThumbnailsOptions {
  TFont Font;  // "Tahoma", 48 points, blue
  bool ShowPageNumbers = true;
  TdxComponentPrinterThumbnailsOptions();
};

class TdxPreviewOptions {
 public:
  TdxPreviewOptions();
  std::string Caption = "Print Preview";
  TdxPreviewEnableOptions EnableOptions;    // all but peoHelp
  TdxPreviewVisibleOptions VisibleOptions;  // all but pvoHelp
  int HelpContext = 0;
  std::string HelpFile;
  std::shared_ptr<TIcon> Icon;  // none: the engine's preview icon
  TRect Bounds;                 // the desktop work area by default
  std::string RegistryPath;
  bool SavePosition = true;
  bool SaveZoomPosition = true;
  bool ShowExplorer = false;
  TdxComponentPrinterThumbnailsOptions ThumbnailsOptions;
  TdxWindowState WindowState = wsNormal;
  TCustomdxComponentPrinter* ComponentPrinter = nullptr;
};

// ---- The preview window as the component printer sees it -----------------------

class TBasedxPreviewWindow : public TCustomdxPSForm {
 public:
  using TCustomdxPSForm::TCustomdxPSForm;
  ~TBasedxPreviewWindow() override;

  virtual void SetComponentPrinter(TCustomdxComponentPrinter* printer) = 0;
  virtual TCustomdxComponentPrinter* ComponentPrinter() const = 0;
  virtual int SelectedPageIndex() const = 0;
  virtual void SelectPage(int index) = 0;
  virtual int PageCount() const = 0;
  virtual void SetPageCount(int count) = 0;
  virtual int ZoomFactor() const = 0;
  virtual void SetZoomFactor(int zoom) = 0;
  virtual bool ThumbnailsSmall() const { return true; }
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  virtual void CancelUpdate() {}
  virtual void InitializeFromPage() = 0;
  virtual void InvalidateContent() = 0;
  virtual void UpdateControls() = 0;
  virtual void ApplyOptions(const TdxPreviewOptions& options) = 0;
  // Runs modally (returns when closed) or shows and returns.
  virtual void Execute(bool modal) = 0;

 private:
  // The printer that created the window; told when the window is destroyed
  // (a modeless window frees itself when closed).
  friend class TCustomdxComponentPrinter;
  TCustomdxComponentPrinter* owningPrinter_ = nullptr;
};

using TdxPreviewWindowFactory = std::function<TBasedxPreviewWindow*()>;
// The preview window classes: registering appends; Preview creates from the
// last one.
void dxPSRegisterPreviewWindow(const std::string& className, TdxPreviewWindowFactory factory);
void dxPSUnregisterPreviewWindow(const std::string& className = "");
bool dxPSHasPreviewWindowClass();

// The page setup dialog of a link: answers whether it was accepted and
// which follow-up (preview, print) was chosen. The dialogs layer installs it;
// until then page setup answers false.
using TdxPageSetupFunc =
    std::function<bool(TBasedxReportLink& link, int activeTab, bool* previewChosen, bool* printChosen)>;
void dxPSSetPageSetupDialog(TdxPageSetupFunc func);

// ---- Process-wide wait cursor ----------------------------------------------------
void dxPSStartWait();
void dxPSStopWait();
int dxPSWaitDepth();

// ---- The component printer --------------------------------------------------------

// Called for each picture ExportPages made: clear continueExport to stop.
using TdxExportPageCallback =
    std::function<void(TCustomdxComponentPrinter& printer, TBasedxReportLink* link, bool& continueExport,
                       TGraphic& picture, int pageIndex, int position, void* data)>;

class TCustomdxComponentPrinter : public QObject, public TdxObject {
  DX_CLASS(TCustomdxComponentPrinter, TdxObject)

 public:
  explicit TCustomdxComponentPrinter(QObject* owner = nullptr);
  ~TCustomdxComponentPrinter() override;

  // ---- Links ----
  void AddLink(TBasedxReportLink* link);     // the printer takes ownership
  void RemoveLink(TBasedxReportLink* link);  // gives ownership back to the caller
  void MoveLink(int fromIndex, int toIndex);
  int LinkCount() const { return int(links_.size()); }
  TBasedxReportLink* ReportLink(int index) const { return links_[std::size_t(index)].get(); }
  int IndexOfLink(const TBasedxReportLink* link) const;
  TBasedxReportLink* FindLinkByComponent(const QObject* component) const;
  // The first link whose component has exactly this object name.
  TBasedxReportLink* FindLinkByName(const std::string& name) const;
  TBasedxReportLink* CurrentLink() const { return currentLink_; }
  void SetCurrentLink(TBasedxReportLink* link);
  // Told by a link when its name or list position changed.
  virtual void LinksChanged() {}
  // The system's settings or locale changed: the default printer page goes
  // back to its defaults, and each link's page follows the locale's units.
  void SettingsChanged();
  // Bracket of reading a form description: links join, the stored current
  // link is applied; at the end the first link becomes current when none is.
  void BeginLoading() { loading_ = true; }
  void EndLoading();
  bool IsLoading() const { return loading_; }

  // ---- Properties ----
  bool AutoUpdateDateTime = true;
  bool BeepAfterLongOperations = true;
  int DateFormat() const { return dateFormat_; }
  void SetDateFormat(int value);
  int TimeFormat() const { return timeFormat_; }
  void SetTimeFormat(int value);
  TdxPageNumberFormat PageNumberFormat() const { return pageNumberFormat_; }
  void SetPageNumberFormat(TdxPageNumberFormat value);
  int LongOperationTime() const { return longOperationTime_; }
  void SetLongOperationTime(int value);  // negative stores 0
  TdxCPOptions Options = dxCPAllOptions;
  bool HasOption(TdxCPOption option) const { return (Options & dxBit(option)) != 0; }
  TdxPreviewOptions& PreviewOptions() { return previewOptions_; }
  std::string PrintTitle;
  int Version = 0;
  bool IsDestroying() const { return destroying_; }

  // ---- Reports ----
  void BuildLink(TBasedxReportLink* link);
  void ClearLink(TBasedxReportLink* link);
  void RebuildLink(TBasedxReportLink* link = nullptr);
  bool NeedsRebuild(TdxCPOption option) const;
  // Told by a link while it builds (percentDone 0..100).
  void GenerateReportProgress(TBasedxReportLink* link, double percentDone);
  void Preview(bool modal = true, TBasedxReportLink* link = nullptr);
  void PaintLinkPage(TCanvas& canvas, int pageIndex, const TRect& pageRect, TBasedxReportLink* link = nullptr);
  void PaintThumbnail(TCanvas& canvas, int pageIndex, const TRect& pageRect, TBasedxReportLink* link = nullptr);
  // Draws pages into pictures of pictureClass (a metafile; for any other
  // class a bitmap copied into a picture of that class) and hands each to
  // callback. pages: 0-based page indexes, a first entry -1 stands for all
  // pages. lastPosition 0: the last page for all pages, else the first entry.
  void ExportPages(TBasedxReportLink* link, const std::vector<int>& pages, int lastPosition, bool drawBackground,
                   TGraphicClass pictureClass, const TdxExportPageCallback& callback, void* callbackData,
                   void* eventData = nullptr);

  // ---- Printing ----
  // With the dialog: PrintWithDialog. Without: the pages of data's page
  // range text, or all pages once. False without a link, without pages, for
  // a page range text that is no page list, and when the job failed.
  bool Print(bool showDialog, TdxPrintDlgData* data = nullptr, TBasedxReportLink* link = nullptr);
  bool PrintWithDialog(TBasedxReportLink* link = nullptr, TdxPrintDlgData* data = nullptr);
  // filter: dxPageFilterAll, dxPageFilterEven, dxPageFilterOdd.
  bool PrintPages(const std::string& pageRanges, int filter, int copies, bool collate,
                  TBasedxReportLink* link = nullptr);
  void PrintAllPages(int filter, int copies, TBasedxReportLink* link = nullptr, bool collate = false);
  // The print job over 1-based page numbers.
  void PrintPageList(const std::vector<int>& pages, int filter, int copies, bool collate,
                     TBasedxReportLink* link = nullptr);
  // Prints one page (0-based) on the running job.
  virtual void PrintPage(TBasedxReportLink* link, int pageIndex);
  void PrepareToPrint(TBasedxReportLink* link);
  void ClearPrepared(TBasedxReportLink* link);
  void AbortPrint() { abortRequested_ = true; }
  bool AbortRequested() const { return abortRequested_; }
  // Whether the last print job that began failed (reported through the
  // error event or box).
  bool LastJobFailed() const { return lastJobFailed_; }
  // What the system said about the failure of the last job (empty when it
  // gave no reason): shown below PrinterError.
  const std::string& LastJobError() const { return lastJobError_; }
  // The default print-dialog data for the current link.
  virtual void CreatePrintDlgData(std::unique_ptr<TdxPrintDlgData>& data);
  virtual void FreePrintDlgData(std::unique_ptr<TdxPrintDlgData>& data);
  // The link's page setup dialog (InPageSetup while it runs, then
  // OnPageSetup with the result); false without a link or without a page
  // setup dialog installed.
  bool PageSetup(int activeTab = 0, bool* previewChosen = nullptr, bool* printChosen = nullptr,
                 TBasedxReportLink* link = nullptr);
  // Shows the link's design window (dxPSDesignReportLink); DesigningReport
  // while it runs. Answers whether the window was closed with OK; false
  // without a link or without a design window for it.
  bool DesignReport(TBasedxReportLink* link = nullptr);
  // The print dialog's page setup handler.
  void PrintDialogPageSetup(QWidget* sender, bool& done, bool* previewChosen, bool& requested);
  bool PrintToFile = false;                   // remembered from the last dialog
  std::vector<std::string> PrintDialogFiles;  // print-to-file history of the dialog

  void ClosePreview();
  void RefreshPreview();
  // Told by a link that its report was cleared.
  virtual void ReportCleared(TBasedxReportLink* link);
  virtual void DoChangeComponent(TBasedxReportLink* link);

  // ---- Custom drawing (raise the events) ----
  virtual void CustomDrawPage(TBasedxReportLink* link, TCanvas& canvas, int pageIndex, const TRect& rect, int nom,
                              int denom);
  virtual void CustomDrawPageHeaderOrFooter(TBasedxReportLink* link, TCanvas& canvas, int pageIndex, bool isHeader,
                                            TRect& rect, bool& defaultDrawText, bool& defaultDrawBackground);
  virtual void CustomDrawReportTitle(TBasedxReportLink* link, TCanvas& canvas, const TRect& rect,
                                     TdxTextAlignX& alignX, TdxTextAlignY& alignY, TColor& color, TFont& font,
                                     bool& done);
  virtual void MeasureReportTitle(TBasedxReportLink* link, int& height);
  virtual void ShowPrintDeviceBusy();
  virtual void ShowPrintDeviceError();

  // ---- Event raisers ----
  virtual void DoAfterPreview(TBasedxReportLink* link);
  virtual void DoBeforePreview(TBasedxReportLink* link);
  virtual void DoChangeCurrentLink();
  virtual void DoDeleteReportLink(TBasedxReportLink* link);
  virtual void DoEndPrint(TBasedxReportLink* link);
  virtual void DoFinalizePrintDlgData(TBasedxReportLink* link, TdxPrintDlgData*& data);
  virtual void DoInitializePrintDlgData(TBasedxReportLink* link, TdxPrintDlgData*& data);
  virtual void DoPageSetup(TBasedxReportLink* link, bool done);
  virtual void DoBeforeDesignReport(TBasedxReportLink* link, TAbstractdxReportLinkDesignWindow* window);
  virtual void DoDesignReport(TBasedxReportLink* link, bool& done);
  virtual void DoNewPage(TBasedxReportLink* link, int pageIndex);
  virtual void DoPrintDeviceBusy();
  virtual void DoPrintDeviceError();
  virtual void DoProgress(TBasedxReportLink* link, double percentDone);
  virtual void DoStartPrint(TBasedxReportLink* link, int pageCount);
  virtual void DoStartGenerateReport(TBasedxReportLink* link);
  virtual void DoEndGenerateReport(TBasedxReportLink* link);
  virtual void DoGetPrintTitle(TBasedxReportLink* link, std::string& title);

  // ---- Long operations ----
  void BeginLongOperation();
  void EndLongOperation();
  // The tick source (milliseconds) and the beep; tests replace them.
  std::function<std::int64_t()> TickCount;
  std::function<void()> Beep;

  // ---- State ----
  bool Building() const { return building_; }
  bool DesigningReport() const { return designingReport_; }
  bool Previewing() const { return previewing_ && previewWindow_; }
  bool Printing() const { return printing_; }
  bool ShowingPrintDialog() const { return showingPrintDialog_; }
  bool InPageSetup() const { return inPageSetup_; }
  void SetInPageSetup(bool value) { inPageSetup_ = value; }
  TBasedxPreviewWindow* PreviewWindow() const { return previewWindow_; }

  // ---- Events ----
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*)> OnAfterPreview, OnBeforePreview,
      OnChangeComponent, OnDeleteReportLink, OnEndGenerateReport, OnStartGenerateReport, OnEndPrint;
  std::function<void(TCustomdxComponentPrinter&)> OnChangeCurrentLink;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, TCanvas&, int pageIndex, const TRect& rect,
                     int nom, int denom)>
      OnCustomDrawPage;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, TCanvas&, int pageIndex, TRect& rect, int nom,
                     int denom, bool& defaultDrawText, bool& defaultDrawBackground)>
      OnCustomDrawPageHeader, OnCustomDrawPageFooter;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, TCanvas&, const TRect& rect, int nom, int denom,
                     TdxTextAlignX&, TdxTextAlignY&, TColor&, TFont&, bool& done)>
      OnCustomDrawReportTitle;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, double percentDone)> OnGenerateReportProgress;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, int& height)> OnMeasureReportTitle;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, int pageIndex)> OnNewPage;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, bool done)> OnPageSetup;
  // The link's design window is about to run; it has closed (done: its
  // result; a handler that clears it prevents the rebuild).
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, TAbstractdxReportLinkDesignWindow*)>
      OnBeforeDesignReport;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, bool& done)> OnDesignReport;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, int pageCount)> OnStartPrint;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, std::string& title)> OnGetPrintTitle;
  std::function<void(TCustomdxComponentPrinter&, bool& done)> OnPrintDeviceBusy, OnPrintDeviceError;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, TdxPrintDlgData*& data)>
      OnInitializePrintDlgData, OnFinalizePrintDlgData;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, TGraphic& picture, void* data)>
      OnExportPrepareGraphic;
  std::function<void(TCustomdxComponentPrinter&, TBasedxReportLink*, int pageCount, int index, int pageIndex,
                     void* data)>
      OnExportProgress;

 protected:
  friend class TBasedxPreviewWindow;
  // Resolves the link argument of an operation: a given link becomes
  // current; answers the current link.
  TBasedxReportLink* ResolveLink(TBasedxReportLink* link);
  // Copies the link's formats into the shared header and footer values.
  void UpdateFormats(TBasedxReportLink* link);
  void AfterPreview(TBasedxReportLink* link);
  void PreviewWindowDestroyed(TBasedxPreviewWindow* window);
  // Steps of the job that PrintPageList brackets with the preparation.
  void RunPrintJob(TBasedxReportLink* link, const std::vector<int>& pages, int filter, int copies, bool collate);
  // The page order of a job: column by column for the whole report of a
  // down-then-over page.
  std::vector<int> PrintingOrder(TBasedxReportLink* link, const std::vector<int>& pages) const;

  std::vector<std::unique_ptr<TBasedxReportLink>> links_;
  TSettingsChangeWatch settingsWatch_{[this] { SettingsChanged(); }};
  TBasedxReportLink* currentLink_ = nullptr;
  TBasedxPreviewWindow* previewWindow_ = nullptr;
  bool previewModal_ = false;
  int rememberedPageIndex_ = 0;
  bool building_ = false, designingReport_ = false, previewing_ = false, printing_ = false,
       showingPrintDialog_ = false, inPageSetup_ = false;
  bool abortRequested_ = false;
  bool printingAllPages_ = false;
  int longOperationCount_ = 0;
  std::int64_t longOperationStart_ = 0, longOperationEnd_ = 0;
  bool destroying_ = false;
  bool loading_ = false;
  bool lastJobFailed_ = false;
  std::string lastJobError_;
  int savedCopies_ = 1;
  bool savedCollate_ = false;
  int dateFormat_ = 0, timeFormat_ = 0;
  TdxPageNumberFormat pageNumberFormat_ = pnfNumeral;
  int longOperationTime_ = 5000;
  TdxPreviewOptions previewOptions_;
};

class TdxComponentPrinter : public TCustomdxComponentPrinter {
 public:
  using TCustomdxComponentPrinter::TCustomdxComponentPrinter;
};
