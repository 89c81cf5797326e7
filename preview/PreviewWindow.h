// The preview window: shows the pages of the component printer's current
// report link in a preview control, with a margin bar above it, a thumbnails
// pane at its right and a status bar below, and runs the commands that
// change or print the report.
//
//   TCustomdxPSPreviewWindow  the working window: panes, preview controls,
//                             margin bar, status bar, build and print
//                             progress, persistence, the close query
//   TdxfmStdPreview           the standard window: menus, tool bar, zoom box,
//                             page box and the commands
//
// The component printer creates the registered window class (see
// dxPSRegisterStdPreviewWindow), hands itself over inside one update and
// shows the window, modally in this program.
//
// Commands whose dialogs live elsewhere in the engine (page setup, print
// dialog, zoom setup, page chooser, preferences, page background, title and
// format dialogs, design) are offered only while their entry in
// dxPSPreviewWindowDialogs() is set; report files need the report storage.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ComponentPrinter.h"
#include "preview/PreviewControl.h"
#include "report/EventSubscribers.h"

class QAction;
class QActionGroup;
class QComboBox;
class QMenu;
class QMenuBar;
class QProgressBar;
class QToolBar;
class QToolButton;
class TdxPSSpinEdit;
class TdxPSBuildReportSubscriber;
class TdxPSPrintReportSubscriber;
class TdxStyleListChangedSubscriber;
class TdxPSPageSetupMenuBuilder;
class TdxHFTextEntriesChangedSubscriber;

// ---- Texts ---------------------------------------------------------------------

namespace dxPSPreviewWindowTexts {
inline constexpr const char* Caption = "Print Preview";
inline constexpr const char* Ready = "Ready";
inline constexpr const char* OutsideMargins = "One or more margins are set outside the printable area of the page";
inline constexpr const char* NoPrinters = "No printers are installed";
inline constexpr const char* AbortPrinting = "Abort printing ?";
inline constexpr const char* PaperSizeHint = "Double Click for Change Paper Size";
inline constexpr const char* ProgressPanelSample = "  999 %  ";
inline constexpr const char* ReplaceReportFile = "%s already exists.\nDo you want to replace it?";
}  // namespace dxPSPreviewWindowTexts

// ---- Dialog entries ----------------------------------------------------------------

// The values the preferences dialog edits (zeroed, then filled from the
// preview control).
struct TdxPreviewWindowPreferences {
  TColor MarginColor = 0;
  unsigned char MeasurementUnits = 0;  // 0 pmuDefault, 1 pmuInches, 2 pmuMillimeters
  bool ShowMarginHintsWhileDragging = false;
  bool ShowMarginHints = false;
  bool ShowMargins = false;
  bool ZoomOnMouseRoll = false;
  int ZoomStep = 0;
};

// The dialogs that some commands of the window open. A command whose entry
// is missing is disabled (or, where the window says so, hidden).
struct TdxPreviewWindowDialogs {
  // The engine's page setup and print dialogs are installed
  // (dxPSSetPageSetupDialog, dxPSSetShowPrintDialog).
  bool PageSetup = false;
  bool PrintDialog = false;
  // The zoom dialog for the preview control; true when it changed the zoom.
  std::function<bool(TCustomdxPreview& preview)> ZoomSetup;
  // The page chooser below a button (screen point of its lower-left corner);
  // true with the chosen grid.
  std::function<bool(QPoint at, int buttonHeight, int maxColumns, int maxRows, int& columns, int& rows)> ChoosePages;
  // The preferences dialog; true when the user confirmed a change.
  std::function<bool(TdxPreviewWindowPreferences& preferences)> Preferences;
  // The page-background palette at a screen point, owned by the window that
  // opens it; true when the background changed.
  std::function<bool(TdxBackground& background, QPoint at, QWidget* owner)> ChooseBackground;
  // The link's title, date and time, page numbering and auto-text dialogs;
  // true when confirmed.
  std::function<bool(TBasedxReportLink& link)> Title, DateTimeFormats, PageNumberFormats, AutoText;
  // Whether the link has a design window, and the design itself (the
  // window's result).
  std::function<bool(TBasedxReportLink& link)> CanDesign;
  std::function<bool(TCustomdxComponentPrinter& printer, TBasedxReportLink& link)> Design;
  // The load and save report dialogs (with their preview pane): the chosen
  // file, nothing for Cancel. Without them the plain file dialogs are used.
  // The save dialog does not ask about overwriting: the window asks about the
  // file it will really write (the chosen name with the extension ".rps").
  std::function<std::optional<std::string>(QWidget* parent, const std::string& fileName)> LoadReport, SaveReport;
};
TdxPreviewWindowDialogs& dxPSPreviewWindowDialogs();

// ---- Panel bar ------------------------------------------------------------------

// A bar of panels side by side (the margin bar and the status bar): each
// panel has a text and a width, optionally a lowered frame; the last panel
// takes the rest of the bar. A control may sit inside a panel.
class TdxPSPanelBar : public QWidget {
 public:
  explicit TdxPSPanelBar(QWidget* parent = nullptr);

  // Appends a panel. With fitText the panel grows to its text width plus 6.
  int AddPanel(const std::string& text, int width, bool lowered, bool fitText = false);
  void RemovePanel(int index);
  int PanelCount() const { return int(panels_.size()); }
  const std::string& PanelText(int index) const { return panels_.at(std::size_t(index)).Text; }
  void SetPanelText(int index, const std::string& text);
  int PanelWidth(int index) const { return panels_.at(std::size_t(index)).Width; }
  void SetPanelWidth(int index, int width);
  bool PanelLowered(int index) const { return panels_.at(std::size_t(index)).Lowered; }
  // Where a panel lies in the bar (the last one reaches the right end, or
  // the size grip).
  QRect PanelRect(int index) const;
  int PanelAt(QPoint point) const;  // -1 for none
  // A control shown inside a panel (none: null); the bar does not own it.
  void SetPanelControl(int index, QWidget* control);
  QWidget* PanelControl(int index) const { return panels_.at(std::size_t(index)).Control; }
  int TextWidth(const std::string& text) const;

  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool value);
  // The hint at a point of the bar (what the tooltip shows).
  std::string HintAt(QPoint point) const;

  std::function<void(TdxPSPanelBar& sender, int panel)> OnPanelDblClick;
  std::function<std::string(const TdxPSPanelBar& sender, int panel)> OnPanelHint;
  // Draws a panel's inside instead of its text; answers whether it did.
  std::function<bool(TdxPSPanelBar& sender, QPainter& painter, int panel, const QRect& rect)> OnDrawPanel;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  bool event(QEvent*) override;

 private:
  struct Panel {
    std::string Text;
    int Width;
    bool Lowered;
    QWidget* Control = nullptr;
    int BaseWidth = 0;  // the width asked for; fitted panels grow to their text
    bool Fit = false;
  };
  // Fitted panels follow their text in the bar's current font.
  void FitPanels();
  void PlaceControls();
  std::vector<Panel> panels_;
  bool sizeGrip_ = false;
};

// A 5-pixel bar that changes the width of the pane beside it when dragged.
class TdxPSPaneSplitter : public QWidget {
 public:
  // paneOnLeft: the pane lies left of the splitter (dragging right widens
  // it); otherwise right of it.
  TdxPSPaneSplitter(QWidget* parent, bool paneOnLeft);
  // Told the width the drag asks for (the pane's width at the start plus or
  // minus the way dragged).
  std::function<void(int requestedWidth)> OnDragged;
  std::function<int()> PaneWidth;

 protected:
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void paintEvent(QPaintEvent*) override;

 private:
  bool paneOnLeft_;
  bool dragging_ = false;
  int startX_ = 0;
  int startWidth_ = 0;
};

// ---- The working window ---------------------------------------------------------

class TCustomdxPSPreviewWindow : public TBasedxPreviewWindow {
 public:
  explicit TCustomdxPSPreviewWindow(QWidget* parent = nullptr);
  ~TCustomdxPSPreviewWindow() override;

  std::string FormClassName() const override { return "TCustomdxPSPreviewWindow"; }

  // ---- The interface the component printer talks to ----
  void SetComponentPrinter(TCustomdxComponentPrinter* printer) override;
  TCustomdxComponentPrinter* ComponentPrinter() const override { return printer_; }
  int SelectedPageIndex() const override;
  void SelectPage(int index) override;
  int PageCount() const override;
  void SetPageCount(int count) override;
  int ZoomFactor() const override;
  void SetZoomFactor(int zoom) override;
  bool ThumbnailsSmall() const override { return !thumbnailsLarge_; }
  void BeginUpdate() override;
  void EndUpdate() override;
  void CancelUpdate() override;
  bool IsUpdateLocked() const { return updateCount_ > 0; }
  void InitializeFromPage() override;
  void InvalidateContent() override;
  void UpdateControls() override;
  void ApplyOptions(const TdxPreviewOptions& options) override;
  void Execute(bool modal) override;

  void InvalidatePage(int index);
  void InvalidateAllPages();
  void InvalidatePagesHeaderContent();
  void InvalidatePagesFooterContent();
  void GoToFirstPage();
  void GoToLastPage();
  void GoToNextPage();
  void GoToPrevPage();
  // Paints a page of the current link (preview page index) into rect: at
  // the preview's zoom on a screen, at 100 % on any other device.
  virtual void PaintPage(TCanvas& canvas, int pageIndex, const TRect& rect);
  virtual void PaintThumbnail(TCanvas& canvas, int pageIndex, const TRect& rect);

  // ---- Settings ----
  TdxPreviewEnableOptions EnableOptions() const { return enableOptions_; }
  void SetEnableOptions(TdxPreviewEnableOptions value);
  TdxPreviewVisibleOptions VisibleOptions() const { return visibleOptions_; }
  void SetVisibleOptions(TdxPreviewVisibleOptions value);
  bool IsEnabled(TdxPreviewEnableOption option) const { return enableOptions_ & (1u << unsigned(option)); }
  bool IsVisible(TdxPreviewVisibleOption option) const { return visibleOptions_ & (1u << unsigned(option)); }
  bool SaveZoomPosition() const { return saveZoomPosition_; }
  void SetSaveZoomPosition(bool value);
  bool ShowExplorer() const { return explorerVisible_; }
  void SetShowExplorer(bool value);
  bool ThumbnailsVisible() const { return thumbnailsVisible_; }
  void SetThumbnailsVisible(bool value);
  bool ThumbnailsLarge() const { return thumbnailsLarge_; }
  void SetThumbnailsLarge(bool value);
  int ThumbnailsPaneWidth() const { return thumbnailsPaneWidth_; }
  void SetThumbnailsPaneWidth(int value);
  int ExplorerPaneWidth() const { return explorerPaneWidth_; }
  void SetExplorerPaneWidth(int value);
  bool ShowMarginBar() const { return showMarginBar_; }
  void SetShowMarginBar(bool value);
  bool ShowStatusBar() const { return showStatusBar_; }
  void SetShowStatusBar(bool value);
  bool ShowMargins() const;
  void SetShowMargins(bool value);
  int HelpContext() const { return helpContext_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);

  // ---- Parts ----
  TdxPreview* PreviewControl() const { return preview_; }
  TdxPreview* ThumbnailsPreview() const { return thumbnails_; }
  TdxPSPanelBar* MarginBar() const { return marginBar_; }
  TdxPSPanelBar* StatusBar() const { return statusBar_; }
  QProgressBar* ProgressBar() const { return progressBar_; }  // null while nothing runs
  QWidget* PreviewPane() const { return previewPane_; }
  QWidget* ThumbnailsPane() const { return thumbnailsPane_; }
  TdxPSPaneSplitter* ThumbnailsSplitter() const { return thumbnailsSplitter_; }
  QWidget* ExplorerPane() const { return explorerPane_; }
  // Status bar panels.
  enum { spPageCaption, spPage, spOfCaption, spPageCount, spPagesCaption, spSpacer, spPaperSizeCaption, spPaperSize,
         spStatusCaption, spStatus };
  // Margin bar panel of a margin's value (left, top, right, bottom, header,
  // footer); -1 for the gutter.
  static int MarginValuePanel(TdxPreviewMarginType kind);

  // ---- State ----
  TBasedxReportLink* ReportLink() const;
  bool IsBuilding() const;
  bool IsPrinting() const;
  bool HasPages() const { return PageCount() > 0; }
  int ReportPageCount() const;
  // The report page number (1-based) of a preview page, and back.
  int ReportPageNumber(int previewPage) const;
  int PreviewPageOfReportPage(int reportPage) const;
  std::string StatusText() const;
  std::string PaperSizeText() const;
  bool CloseRequested() const { return closeRequested_; }
  // The margins lay inside the printable area at the last check.
  bool MarginsInPrintableArea() const { return marginsInPrintableArea_; }

  // ---- Operations the commands share ----
  bool CanChangeMargins() const;
  bool CanPageSetup() const;
  bool CanPrint() const;
  bool CanDesign() const;
  bool PrinterExists() const;
  // Page setup on a tab; on confirmation the window takes the page again
  // and, when the user chose print there, prints with the dialog.
  void DoPageSetup(int activeTab);
  // Prints the current link; a close asked for meanwhile closes the window
  // afterwards.
  void DoPrint(bool withDialog);
  void DoDesign();
  void DoShrinkToPage(bool value);
  void DoShowPageHeaders(bool value);
  void DoShowPageFooters(bool value);
  void DoShowEmptyPages(bool value);
  // Zoom commands: pzmNone at a percentage, page width, and page grids.
  void ZoomToPercent(int percent);
  void ZoomToPageWidth();
  void ZoomToPages(int columns, int rows);
  void ZoomToSourceWidth(bool allRows);
  // The option and preference values of the preview control as the
  // preferences dialog takes them, and applying a confirmed record.
  TdxPreviewWindowPreferences Preferences() const;
  void ApplyPreferences(const TdxPreviewWindowPreferences& preferences);

  // The status bar and its progress, as the event bus drives them.
  void StartProgress(int maximum);
  void SetProgress(int position, const std::string& text);
  void EndProgress();

 protected:
  // Refresh of the commands (the standard window's tool bar and menus).
  virtual void DoUpdateControls() {}
  // The print styles menus.
  virtual void RebuildPrintStyles() {}
  // Registry persistence under the layout key (only with a registry path).
  virtual void LoadFromRegistry(const std::string& key);
  virtual void SaveToRegistry(const std::string& key);
  // Saves once, through the most derived SaveToRegistry: every destructor
  // of the chain calls it, the first one does the work.
  void SaveSettings();
  virtual void PreviewDoubleClick(TPoint clientPoint);
  virtual void ShowPopupMenu(QWidget* control, QPoint globalPos) {}
  // The top part of the window above the panes (menus, tool bar).
  QWidget* TopHost() const { return topHost_; }

  void closeEvent(QCloseEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void showEvent(QShowEvent*) override;
  void changeEvent(QEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  void LayoutPanes();
  void UpdateCaption();
  void UpdateMarginBar();
  void UpdateStatusBar();
  void UpdateStatusText();
  void CheckMarginsInPrintableArea(bool beep);

 private:
  void CreateParts();
  void ConnectPreviews();
  void SetPaneWidthChecked(bool thumbnails, int width);
  int MaxPaneWidth(bool thumbnails) const;
  int GridPageIndex(int previewPage) const;
  bool CanSelectPage(int previewPage) const;
  void MarginChanged(TdxPreviewMargin& margin);
  void StoreMarginInPage(TdxPreviewMargin& margin);
  void PreviewSelectedPageChanged(int index);
  void ThumbnailSelectedPageChanged(int index);
  void BuildStarted();
  void BuildProgress(double percent);
  void BuildEnded();
  void PrintStarted(int pageCount);
  void PrintProgress(int pageIndex);
  void PrintEnded();
  bool IsOwnEvent(TdxObject* sender) const;
  std::string MarginText(const TdxPreviewMargin& margin, bool dragging) const;

  TCustomdxComponentPrinter* printer_ = nullptr;
  QWidget* topHost_ = nullptr;
  QWidget* clientHost_ = nullptr;
  QWidget* explorerPane_ = nullptr;
  TdxPSPaneSplitter* explorerSplitter_ = nullptr;
  QWidget* previewPane_ = nullptr;
  TdxPSPanelBar* marginBar_ = nullptr;
  TdxPreview* preview_ = nullptr;
  TdxPSPaneSplitter* thumbnailsSplitter_ = nullptr;
  QWidget* thumbnailsPane_ = nullptr;
  TdxPreview* thumbnails_ = nullptr;
  TdxPSPanelBar* statusBar_ = nullptr;
  QProgressBar* progressBar_ = nullptr;

  std::unique_ptr<TdxPSBuildReportSubscriber> buildSubscriber_;
  std::unique_ptr<TdxPSPrintReportSubscriber> printSubscriber_;
  std::unique_ptr<TdxStyleListChangedSubscriber> styleListSubscriber_;
  std::unique_ptr<TdxHFTextEntriesChangedSubscriber> hfTextSubscriber_;

  TdxPreviewEnableOptions enableOptions_;
  TdxPreviewVisibleOptions visibleOptions_;
  bool saveZoomPosition_ = true;
  bool showMarginBar_ = true;
  bool showStatusBar_ = true;
  bool explorerVisible_ = false;
  int explorerPaneWidth_ = 220;
  bool thumbnailsVisible_ = false;
  int thumbnailsPaneWidth_ = 400;
  bool thumbnailsLarge_ = true;
  int helpContext_ = 0;
  std::string caption_ = dxPSPreviewWindowTexts::Caption;
  int updateCount_ = 0;
  bool closeRequested_ = false;
  bool marginsInPrintableArea_ = true;
  bool progressShown_ = false;
  std::string progressText_;
  bool selectingFromPreview_ = false;
  bool selectingFromThumbnails_ = false;
  bool settingsSaved_ = false;
};

// ---- The standard window -----------------------------------------------------------

enum TdxPreviewCommand {
  pcDesign,
  pcLoad,
  pcUnload,
  pcSave,
  pcPrint,        // tool button "Print": without the dialog
  pcPrintDialog,  // "&Print..."
  pcPageSetup,
  pcOptions,
  pcClose,
  pcMargins,
  pcFlatButtons,
  pcLargeButtons,
  pcMarginBar,
  pcStatusBar,
  pcExplorer,
  pcThumbnails,
  pcSmallThumbnails,
  pcLargeThumbnails,
  pcZoom100,
  pcZoomPageWidth,
  pcZoomWholePage,
  pcZoomTwoPages,
  pcZoomFourPages,
  pcZoomWiden,
  pcZoomSetup,
  pcMultiplePages,
  pcPageHeaders,
  pcPageFooters,
  pcAutoText,
  pcTitle,
  pcDateTime,
  pcPageNumbering,
  pcShowEmptyPages,
  pcFitToPage,
  pcBackground,
  pcFirstPage,
  pcPrevPage,
  pcNextPage,
  pcLastPage,
  pcHelp,
  pcCommandCount
};

class TdxfmStdPreview : public TCustomdxPSPreviewWindow {
 public:
  explicit TdxfmStdPreview(QWidget* parent = nullptr);
  ~TdxfmStdPreview() override;

  std::string FormClassName() const override { return "TdxfmStdPreview"; }

  // The menu item (and pop-up item) of a command; the tool button of a
  // command that has one shares the enabled and visible state.
  QAction* Action(TdxPreviewCommand command) const { return actions_[command]; }
  // The tool button of a command (null when it has none).
  QToolButton* ToolButton(TdxPreviewCommand command) const;
  QMenuBar* MainMenu() const { return menuBar_; }
  QToolBar* ToolBar() const { return toolBar_; }
  QMenu* PreviewPopupMenu() const { return previewPopup_; }
  QMenu* ThumbnailsPopupMenu() const { return thumbnailsPopup_; }
  QMenu* ToolBarPopupMenu() const { return toolBarPopup_; }
  QMenu* FileMenu() const { return fileMenu_; }
  QMenu* ZoomMenu() const { return zoomMenu_; }
  QComboBox* ZoomBox() const { return zoomBox_; }
  TdxPSSpinEdit* PageBox() const { return pageBox_; }
  // The tool button's hint: the text, then a blank and the shortcut hint in
  // parentheses when it has one.
  std::string ToolButtonHint(TdxPreviewCommand command) const;
  // "Print Styles" (the File submenu, also in the preview's pop-up menu and
  // dropped down by the page setup button while styles are offered).
  QMenu* PrintStylesMenu() const { return printStylesMenu_; }
  // Styles are offered: the option is visible, the link has a style manager
  // and the menu has items.
  bool PrintStylesOffered() const;

  bool FlatButtons() const { return flatButtons_; }
  void SetFlatButtons(bool value);
  bool LargeButtons() const { return largeButtons_; }
  void SetLargeButtons(bool value);

  // Zoom box input (a list entry, a percentage, a number): see the
  // implementation for the rules. The box then shows the zoom with "%".
  void ApplyZoomText(const std::string& text);
  // Page box input: the report page number typed.
  void ApplyPageBox();

 protected:
  void DoUpdateControls() override;
  // Makes the print styles menu again with the registered builder.
  void RebuildPrintStyles() override;
  void LoadFromRegistry(const std::string& key) override;
  void SaveToRegistry(const std::string& key) override;
  void ShowPopupMenu(QWidget* control, QPoint globalPos) override;
  void showEvent(QShowEvent*) override;
  void changeEvent(QEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateZoomBox();
  void CreatePageBox();
  void RunCommand(TdxPreviewCommand command);
  void UpdatePrintHint();
  void UpdateZoomBox();
  void UpdatePageBox();
  void ApplyToolBarLook();
  void SetButtonDown(TdxPreviewCommand command, bool down);
  void LoadReport();
  void SaveReport();
  void UnloadReport();
  void ChooseMultiplePages();
  void ChooseBackground(bool fromMenu);
  void RunPreferences();
  void RunLinkDialog(const std::function<bool(TBasedxReportLink&)>& dialog, bool repaintBands);
  // The print styles submenus and the page setup button's drop-down follow
  // PrintStylesOffered.
  void UpdatePrintStylesOffer();
  // A style was chosen or the styles defined: the page may be another one.
  void PrintStyleChanged();

  QAction* actions_[pcCommandCount] = {};
  std::string hints_[pcCommandCount];
  std::string shortcutHints_[pcCommandCount];
  QAction* toolActions_[pcCommandCount] = {};
  QMenuBar* menuBar_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QMenu* viewMenu_ = nullptr;
  QMenu* formatMenu_ = nullptr;
  QMenu* goMenu_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  QMenu* zoomMenu_ = nullptr;
  QMenu* printStylesMenu_ = nullptr;
  QMenu* previewPopup_ = nullptr;
  QMenu* thumbnailsPopup_ = nullptr;
  QMenu* toolBarPopup_ = nullptr;
  QAction* zoomBoxAction_ = nullptr;
  QAction* pageBoxAction_ = nullptr;
  QComboBox* zoomBox_ = nullptr;
  TdxPSSpinEdit* pageBox_ = nullptr;
  QActionGroup* thumbnailSizeGroup_ = nullptr;
  bool flatButtons_ = true;
  bool largeButtons_ = false;
  bool running_[pcCommandCount] = {};
  bool printHintRenewed_ = false;
  bool applyingZoom_ = false;
  std::unique_ptr<TdxPSPageSetupMenuBuilder> pageSetupMenuBuilder_;
};

// Registers TdxfmStdPreview as the engine's preview window class (call once
// at start-up; later calls do nothing).
void dxPSRegisterStdPreviewWindow();
