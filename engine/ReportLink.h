// The report link: turns one component of the application into a printable
// report. It owns the printer page, the report title, the report document
// properties, the formats used by header and footer texts and, once built,
// the report cells with their pagination (render info) and the renderer.
//
// TBasedxReportLink is abstract: ConstructReport fills the cell tree.
// Components are Qt objects; dxComponentClassOf tells which of the engine's
// control classes (TControl, TWinControl, TCustomForm, ...) a component
// counts as, so that class maps and the link registry can work on it.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "layout/HeaderFooterFunctions.h"
#include "layout/ReportRenderer.h"
#include "layout/RenderLink.h"
#include "layout/PrinterPage.h"
#include "platform/EnumBits.h"
#include "platform/Graphics.h"
#include "report/EventSubscribers.h"
#include "report/ReportCells.h"
#include "report/EngineExceptions.h"

class TCustomdxComponentPrinter;
class TBasedxReportLink;
class TdxPrintStyleManager;
class TdxPrintStyle;

// What a link tells its print style about its report.
enum class TdxPrintStyleNotification { BeforeGenerating, AfterGenerating, BeforePrinting, AfterPrinting };
class TMetafile;
class TdxPageParamsChangedSubscriber;
class TdxStream;

class EdxReportLink : public EdxPrintEngine {
 public:
  using EdxPrintEngine::EdxPrintEngine;
};

namespace dxPSReportLinkMessages {
inline constexpr const char* ComponentNotSupported = "Component \"%s\" not supported by TdxComponentPrinter";
inline constexpr const char* MissingComponent = "Missing \"Component\" property";
inline constexpr const char* InvalidExternalStorage = "Invalid External Storage";
}  // namespace dxPSReportLinkMessages

// The engine's class for a component (the most specific control class it
// counts as); none for none. Implemented with the control classes.
TdxClass dxComponentClassOf(const QObject* component);

enum TdxReportLinkDataSource { dsComponent, dsExternalStorage };
enum TdxAssignedFormatValue { fvDate, fvTime, fvPageNumber };
using TdxAssignedFormatValues = unsigned;  // bit set over TdxAssignedFormatValue

// ---- Report document properties ---------------------------------------------------

class TdxPSReportDocument : public TdxBaseObject {
  DX_CLASS(TdxPSReportDocument, TdxBaseObject)

 public:
  explicit TdxPSReportDocument(TBasedxReportLink* link = nullptr);
  ~TdxPSReportDocument() override;

  TBasedxReportLink* ReportLink() const { return link_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  double CreationDate() const { return creationDate_; }
  void SetCreationDate(double value);
  const std::string& Creator() const { return creator_; }
  void SetCreator(const std::string& value);
  const std::string& Description() const { return description_; }
  void SetDescription(const std::string& value);
  // Owned preview picture (a metafile); a new object after Assign, ReadData
  // and RetrievePreview, so ask for it again after those.
  TMetafile& Preview() { return *preview_; }

  // Copies the four properties and the preview under one lock, then one
  // DocChanged.
  void Assign(const TdxObject* source) override;
  // Calls OnDocumentChanged unless updates are locked.
  virtual void DocChanged();
  // "Caption: ...", "Creator: ...", "Created: <date>", "Description: ..."
  // joined with CR LF (empty caption, creator, description lines omitted).
  virtual std::string AsText() const;
  virtual void ReadData(TdxReportReader& reader);
  virtual void WriteData(TdxReportWriter& writer);
  // Clears the preview and lets the link draw its first page into it
  // (a page-sized metafile, white where the link has no page).
  virtual void RetrievePreview();

  std::function<void(TdxPSReportDocument&)> OnDocumentChanged;

 protected:
  void DoAssign(const TdxBaseObject& source) override;

 private:
  TBasedxReportLink* link_ = nullptr;
  std::string caption_;
  double creationDate_ = 0;
  std::string creator_;
  std::string description_;
  std::unique_ptr<TMetafile> preview_;
};

// ---- The link's own printer page -------------------------------------------------

class TdxReportLinkPrinterPage : public TdxPrinterPage {
  DX_CLASS(TdxReportLinkPrinterPage, TdxPrinterPage)

 public:
  explicit TdxReportLinkPrinterPage(TBasedxReportLink* link = nullptr);
  TdxObject* Owner() const override;
  bool IsOwnerLoading() const override;
  // Passes (this page, no style, codes) to the link unless locked.
  void PageParamsChanged(TdxPageUpdateCodes codes) override;
  TBasedxReportLink* ReportLink() const { return link_; }

 private:
  TBasedxReportLink* link_ = nullptr;
};

// ---- The report link ---------------------------------------------------------------

class TBasedxReportLink : public TdxObject, public TdxPSRenderLink {
  DX_CLASS(TBasedxReportLink, TdxObject)

 public:
  TBasedxReportLink();
  ~TBasedxReportLink() override;
  TBasedxReportLink(const TBasedxReportLink&) = delete;
  TBasedxReportLink& operator=(const TBasedxReportLink&) = delete;

  // ---- Identity and ownership ----
  const std::string& Name() const { return name_; }
  // Caption follows the name while it is empty; the printer is told.
  void SetName(const std::string& name);
  TCustomdxComponentPrinter* ComponentPrinter() const { return printer_; }
  // Joins printer (leaves the old one); none leaves.
  void SetComponentPrinter(TCustomdxComponentPrinter* printer);
  // Bracket a form-description read: Component and Active are only stored.
  void BeginLoading();
  void EndLoading();  // attaches the stored component (builds when PendingActive)
  bool IsLoading() const { return loading_; }
  bool IsDestroying() const { return destroying_; }

  // ---- Published properties ----
  bool Active() const { return active_; }
  void SetActive(bool value);
  TdxAssignedFormatValues AssignedFormatValues() const { return assignedFormatValues_; }
  void SetAssignedFormatValues(TdxAssignedFormatValues value);
  std::string Caption() const;
  void SetCaption(const std::string& value);
  QObject* Component() const { return component_; }
  // Raises EdxReportLink for an unsupported component.
  void SetComponent(QObject* component);
  // Formats: the link's own value when its flag in AssignedFormatValues is
  // set (or there is no printer), else the printer's. Setting clamps to the
  // format list and sets the flag exactly when the value differs from the
  // printer's; the current link copies it into GetHFFormatObject().
  int DateFormat() const;
  void SetDateFormat(int value);
  double DateTime() const;
  void SetDateTime(double value);
  std::string Description() const;
  void SetDescription(const std::string& value);
  std::string DesignerCaption = "Format Report";
  int DesignerHelpContext = 0;
  int Index() const;
  void SetIndex(int value);
  bool IsCurrentLink() const;
  void SetIsCurrentLink(bool value);
  TdxPageNumberFormat PageNumberFormat() const;
  void SetPageNumberFormat(TdxPageNumberFormat value);
  // The link's own page; assigning copies the values.
  TdxPrinterPage& PrinterPage() { return *printerPage_; }
  void SetPrinterPage(const TdxPrinterPage& value);
  TdxPSReportDocument& ReportDocument() { return *reportDocument_; }
  void SetReportDocument(const TdxPSReportDocument& value);
  void SetReportTitle(const TdxReportTitle& value);
  TdxReportTitleMode ReportTitleMode() const;
  void SetReportTitleMode(TdxReportTitleMode value);
  std::string ReportTitleText() const;
  void SetReportTitleText(const std::string& value);
  bool ShowPageFooter() const override { return showPageFooter_; }
  void SetShowPageFooter(bool value);
  bool ShowPageHeader() const override { return showPageHeader_; }
  void SetShowPageHeader(bool value);
  bool ShrinkToPageWidth();
  void SetShrinkToPageWidth(bool value);
  int StartPageIndex() const { return startPageIndex_; }
  void SetStartPageIndex(int value);  // <= 0 stores 1
  const std::string& StorageName() const { return storageName_; }
  void SetStorageName(const std::string& value);
  TdxPrintStyleManager* StyleManager() const { return styleManager_; }
  void SetStyleManager(TdxPrintStyleManager* value);
  // Tells the current print style of the link's manager that the link's
  // report is being built or printed; nothing without a manager.
  void NotifyPrintStyle(TdxPrintStyleNotification notification);
  int TimeFormat() const;
  void SetTimeFormat(int value);
  bool BuiltInReportLink = false;
  // Links that cannot tell empty pages show every page.
  bool ShowEmptyPages() const override { return showEmptyPages_ || !SupportsEmptyPages(); }
  void SetShowEmptyPages(bool value);

  // ---- Non-published fields ----
  TColor Color() const { return color_; }
  virtual void SetColor(TColor value);
  const TFont& Font() const { return font_; }
  virtual void SetFont(const TFont& value);
  bool ScaleFonts() const override { return scaleFonts_; }
  void SetScaleFonts(bool value);
  int CurrentPage() const { return currentPage_; }
  void SetCurrentPage(int value);  // kept within 1..PageCount
  TdxReportLinkDataSource DataSource() const { return dataSource_; }
  void SetDataSource(TdxReportLinkDataSource value);
  bool RebuildNeeded = false;
  bool Prepared = false;  // used by the component printer's print jobs

  // ---- Events ----
  std::function<void(TBasedxReportLink&)> OnChangeComponent;
  std::function<void(TBasedxReportLink&, TCanvas&, int pageIndex, TRect& rect, int nom, int denom,
                     bool& defaultDrawText, bool& defaultDrawBackground)>
      OnCustomDrawPageFooter, OnCustomDrawPageHeader;
  std::function<void(TBasedxReportLink&, TCanvas&, const TRect& rect, int nom, int denom, TdxTextAlignX&,
                     TdxTextAlignY&, TColor&, TFont&, bool& done)>
      OnCustomDrawReportLinkTitle;
  std::function<void(TBasedxReportLink&)> OnDataSourceChanged;
  std::function<void(TBasedxReportLink&)> OnDestroy;
  std::function<void(TBasedxReportLink&, TdxPrintStyle* style, bool& supported)> OnFilterStyle;
  std::function<void(TBasedxReportLink&, int& height)> OnMeasureReportLinkTitle;

  // ---- TdxPSRenderLink ----
  TdxReportCells* ReportCells() const override { return reportCells_.get(); }
  TdxPrinterPage& RealPrinterPage() override;
  int RealScaleFactor() override;
  TdxReportTitle& ReportTitle() override { return *reportTitle_; }
  TdxPSReportFontPool& FontPool() override { return fontPool_; }
  TdxPSBackgroundBitmapPool& BackgroundBitmapPool() override { return bitmapPool_; }
  void GetDelimiters(std::vector<int>& horz, std::vector<int>& vert) override {}
  bool IsCustomDrawn(const TAbstractdxReportCellData& item) const override;
  void CustomDrawPage(TCanvas& canvas, int pageIndex, const TRect& rect) override;
  void CustomDrawPageHeaderOrFooter(bool isHeader, TCanvas& canvas, int pageIndex, TRect& rect, int nom, int denom,
                                    bool& defaultDrawText, bool& defaultDrawBackground) override;
  void CustomDrawReportTitle(TCanvas& canvas, const TRect& rect, int nom, int denom, TdxTextAlignX& alignX,
                             TdxTextAlignY& alignY, TColor& color, TFont& font, bool& done) override;
  void MeasureReportTitle(int& height) override;
  void ReportTitleChanged() override;

  // ---- Render info and renderer (created on first use) ----
  TdxPSReportRenderInfo& RenderInfo();
  TdxPSReportRenderer& Renderer();
  virtual TdxClass RenderInfoClass() const;  // TdxPSReportRenderInfo
  virtual TdxClass RendererClass() const;    // TdxPSReportRenderer

  // ---- Operations ----
  // Paints one page through the renderer (pageIndex: 0-based grid index).
  virtual void PaintPage(TCanvas& canvas, const TRect& pageRect, int zoom, int pageIndex);
  virtual int PageCount();
  virtual int ReportWidth() const;
  virtual int ReportHeight() const;
  virtual int FitScaleFactor();
  virtual std::string DataProviderErrorText() const;
  virtual bool DataProviderPresent() const;
  virtual void RaiseDataProviderError() const;
  // Fills the cell tree: the base clears the pools and enters Font.
  virtual void ConstructReport(TdxReportCells& cells);
  // Scales the built cells from screen pixels to report units.
  virtual void ConvertCoords();
  virtual bool CustomDrawItem(TAbstractdxReportCellData& item, TCanvas& canvas, const TRect& bounds,
                              const TRect& clientBounds) override;
  virtual bool IsSupportedCustomDraw(const TAbstractdxReportCellData& item) const { return false; }
  virtual void InternalRebuild();
  virtual void InternalClear();
  virtual void BuildReport();
  virtual void Rebuild();
  virtual void Deactivate() { SetActive(false); }
  virtual void RestoreDefaults();
  virtual void RestoreFromOriginal();
  virtual bool NeedsRebuildOnPageParamsChanged(TdxPageUpdateCodes codes) const { return false; }
  virtual void PageParamsChanged(TdxPrinterPage& page, TdxPrintStyle* style, TdxPageUpdateCodes codes);
  // The page-layout re-calculation (as a long operation).
  void CalculateRenderInfo();
  virtual void RefreshPreview();
  virtual void DocumentChanged();
  virtual bool IsSupportedStyle(TdxPrintStyle* style);
  virtual void DesignerApplied() { Rebuild(); }
  // The design window class registered for the component's class (without a
  // component: for the link class), among the registry entries of this
  // link's class and its ancestors; none when there is none.
  virtual TdxClass DesignWindowClass() const;
  // Whether the link has a design window that can be made (and the report
  // comes from the component).
  bool CanDesign() const;
  bool IsExternalStorage() const { return dataSource_ == dsExternalStorage; }

  // Whether the link registry maps componentClass to exactly this class.
  bool Supports(TdxClass componentClass) const;
  // Ask the printer to preview or print this link (nothing without one).
  void Preview(bool modal = true);
  bool Print(bool showDialog, void* printDlgData = nullptr);

  std::string DefaultReportFileName() const;
  // Report files. The stream format is installed through
  // dxPSReportLinkStorage(); without it no stream counts as a report.
  // LoadFromFile raises EFOpenError when the file cannot be read; a file
  // that is no report stream, or one that does not read completely, is
  // refused with MessageError and changes nothing.
  virtual void LoadFromFile(const std::string& fileName);
  // Keeps the bytes and switches to dsExternalStorage when they are a report
  // stream; anything else is ignored. A report stream that does not read
  // completely (the storage's CheckReport) is refused with MessageError and
  // leaves the link as it was.
  virtual void LoadFromStream(TByteView data);
  // Writes the report through a temporary file in the target's folder that
  // replaces the target only when complete: a failure leaves an existing
  // file as it was and is reported with MessageError. Answers success.
  virtual bool SaveToFile(const std::string& fileName);
  // Rebuilds first when there is data but no report; false when there is
  // nothing to write or no report writer is installed. Failures pass on.
  virtual bool SaveToStream(TBytes& data);
  const TBytes& StoredReport() const { return storedReport_; }
  virtual void FreeStoredReport() { TBytes().swap(storedReport_); }
  // The style manager went away.
  void StyleManagerDestroyed(TdxPrintStyleManager* manager);
  // While a stored report is read into the link, or the report is written.
  bool IsReadingStoredReport() const { return readingStoredReport_; }
  bool IsSavingReport() const { return savingReport_; }
  // Whether PaintPage is running (the drawing operations are enabled).
  bool IsPaintingPage() const { return paintingPage_; }

  // Asks to move margins that lie outside the printable area into it;
  // answers whether printing may go on.
  bool CheckMarginsInPrintableArea();

  // The format and title dialogs (installed by the dialogs layer through
  // dxPSReportLinkDialogs()); each answers whether the user accepted a change,
  // false while no dialog is installed. The title dialog runs only while
  // CanChangeTitle.
  bool ShowDateTimeFormatsDialog();
  bool ShowPageNumberFormatsDialog();
  bool ShowTitlePropertiesDialog();
  // The title may be edited: the report comes from the component and the
  // printer is neither building nor printing.
  virtual bool CanChangeTitle() const;
  // Page numbers that continue those of the preceding report (links that
  // take part in a composition); the base does not support it.
  virtual bool IsSupportedContinuousPageIndexes() const { return false; }
  bool ContinuousPageIndexes() const { return continuousPageIndexes_; }
  virtual void SetContinuousPageIndexes(bool value) { continuousPageIndexes_ = value; }

  // Copies the values of another link (see the implementation for which).
  virtual void Assign(const TBasedxReportLink& source);

 protected:
  // Long-operation bracket through the printer (nothing without one).
  void BeginLongOperation();
  void EndLongOperation();
  // The printer's default for a format.
  int DefaultDateFormat() const;
  int DefaultTimeFormat() const;
  TdxPageNumberFormat DefaultPageNumberFormat() const;
  virtual void AttachComponent(QObject* component);
  virtual void ComponentDestroyed();
  // Reads StoredReport into the link (dsExternalStorage); on failure restores
  // the live title and document and goes back to the component.
  virtual void ReadStoredReport();
  // Prepares look-and-feels and groups on a screen information context.
  virtual void PrepareCells(TdxReportCells& cells);
  void CopyFormatsToHF();

  std::unique_ptr<TdxReportCells> reportCells_;

 private:
  std::string name_;
  TCustomdxComponentPrinter* printer_ = nullptr;
  bool loading_ = false;
  bool destroying_ = false;
  bool pendingActive_ = false;
  bool active_ = false;
  TdxAssignedFormatValues assignedFormatValues_ = 0;
  QPointer<QObject> component_;
  QMetaObject::Connection componentDestroyed_;
  int dateFormat_ = 0;
  int timeFormat_ = 0;
  TdxPageNumberFormat pageNumberFormat_ = pnfNumeral;
  std::unique_ptr<TdxReportLinkPrinterPage> printerPage_;
  std::unique_ptr<TdxPSReportDocument> reportDocument_;
  std::unique_ptr<TdxReportTitle> reportTitle_;
  std::unique_ptr<TdxPSReportDocument> savedReportDocument_;
  std::unique_ptr<TdxReportTitle> savedReportTitle_;
  bool showPageFooter_ = true;
  bool showPageHeader_ = true;
  bool showEmptyPages_ = false;
  int startPageIndex_ = 1;
  std::string storageName_;
  TdxPrintStyleManager* styleManager_ = nullptr;
  TColor color_ = clWhite;
  TFont font_;
  bool scaleFonts_ = true;
  int currentPage_ = 1;
  TdxReportLinkDataSource dataSource_ = dsComponent;
  TBytes storedReport_;
  bool savedDocumentValid_ = false;
  bool rebuildAbandoned_ = false;
  bool readingStoredReport_ = false;
  bool savingReport_ = false;
  bool paintingPage_ = false;
  bool restoringTitle_ = false;  // the live title comes back: no re-calculation
  std::unique_ptr<TdxPageParamsChangedSubscriber> pageParamsSubscriber_;
  TdxPSReportFontPool fontPool_;
  TdxPSBackgroundBitmapPool bitmapPool_;
  std::unique_ptr<TdxPSReportRenderInfo> renderInfo_;
  std::unique_ptr<TdxPSReportRenderer> renderer_;
  bool settingPrinter_ = false;
  bool streamRefused_ = false;  // the last LoadFromStream refused its stream
  // Tells that a report file does not read (with the reader's reason).
  static void ShowCorruptReport(const std::string& fileName, const std::string& reason);
  bool continuousPageIndexes_ = false;
};

// ---- Services installed by later layers -------------------------------------------

// The report stream format (report storage installs it). Reading fills the
// link's title, document, cells, render info breaks and pools from a report
// stream; writing appends the link's report as a report stream.
struct TdxReportLinkStorage {
  std::function<bool(TByteView data)> IsReportStream;
  std::function<void(TBasedxReportLink& link, TByteView data)> ReadReport;
  std::function<void(TBasedxReportLink& link, TBytes& data)> WriteReport;
  // Reads a whole report stream into objects of its own and raises the
  // first fault; a link loads only streams that pass (optional).
  std::function<void(TByteView data)> CheckReport;
  // Whether a file holds a report this program reads (errors swallowed); a
  // file dropped on the preview is taken only then (optional).
  std::function<bool(const std::string& fileName)> IsReportFile;
  // The same checks over a stream, read in place: only the header and the
  // sections it points to are read (a report file is checked before it is
  // read whole). CheckReportInStream also refuses data after the report.
  std::function<bool(TdxStream& stream)> IsReportInStream;
  std::function<void(TdxStream& stream)> CheckReportInStream;
};
TdxReportLinkStorage& dxPSReportLinkStorage();

// Print styles (the style manager installs these): the current style of a
// manager and that style's printer page; none when there is none.
struct TdxPrintStyleServices {
  // Raises the style's notification of its link's build or print job.
  std::function<void(TdxPrintStyle* style, TdxPrintStyleNotification notification)> Notify;
  std::function<TdxPrintStyle*(TdxPrintStyleManager* manager)> CurrentStyle;
  std::function<TdxPrinterPage*(TdxPrintStyle* style)> StylePrinterPage;
  // A print-style object that the page-parameter bus names as its sender.
  std::function<TdxPrintStyle*(TdxObject* object)> AsPrintStyle;
  // Told whenever a link takes up or leaves a manager (also when the link is
  // destroyed), so that a manager going away can clear its links' reference.
  std::function<void(TBasedxReportLink& link, TdxPrintStyleManager* oldManager, TdxPrintStyleManager* newManager)>
      LinkManagerChanged;
};
TdxPrintStyleServices& dxPSPrintStyleServices();

// The link's format and title dialogs (the dialogs layer installs them):
// each runs its dialog for the link, applies an accepted change and answers
// whether there was one.
struct TdxReportLinkDialogs {
  std::function<bool(TBasedxReportLink& link)> DateTimeFormats;
  std::function<bool(TBasedxReportLink& link)> PageNumberFormats;
  std::function<bool(TBasedxReportLink& link)> TitleProperties;
};
TdxReportLinkDialogs& dxPSReportLinkDialogs();

// ---- Link registry ------------------------------------------------------------------

struct TdxReportLinkRegistryEntry {
  TdxClass ComponentClass;    // none: links without a component class
  TdxClass DesignWindowClass;
  TdxClass LinkClass;
};

// Inserts at the front (an identical entry is skipped) and registers the
// link class for streams.
void dxPSRegisterReportLink(TdxClass linkClass, TdxClass componentClass, TdxClass designWindowClass);
void dxPSUnregisterReportLink(TdxClass linkClass, TdxClass componentClass, TdxClass designWindowClass);
// The link class registered for the most specific class componentClass
// inherits from (none when there is none).
TdxClass dxPSLinkClassByComponentClass(TdxClass componentClass);
TdxClass dxPSDesignWindowClassByComponentClass(TdxClass componentClass);
const std::vector<TdxReportLinkRegistryEntry>& dxPSReportLinkRegistry();
