// The standard preview window: menus, tool bar, zoom box, page box and the
// commands behind them.
#include <QAbstractItemView>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QShortcut>
#include <QStandardItemModel>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "editors/DialogControls.h"
#include "layout/PrintDevice.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/MessageDialogs.h"
#include "platform/QtStrings.h"
#include "platform/Registry.h"
#include "preview/PageSetupMenu.h"
#include "preview/PreviewWindow.h"

namespace {

struct CommandInfo {
  TdxPreviewCommand Command;
  const char* MenuText;     // the menu caption (empty: no menu item)
  const char* Shortcut;     // the key of the menu item
  const char* Hint;         // the tool button's text (empty: no tool button)
  const char* ShortcutHint;
  bool Checkable;
};

const CommandInfo kCommands[] = {
    {pcDesign, "&Design...", "Ctrl+D", "Design Report", "Ctrl+D", false},
    {pcLoad, "&Load", "Ctrl+O", "Load Report", "Ctrl+O", false},
    {pcUnload, "U&nload", "Ctrl+F4", "Unload Report", "", false},
    {pcSave, "&Save", "Ctrl+S", "Save Report", "Ctrl+S", false},
    {pcPrint, "Print", "", "Print", "", false},
    {pcPrintDialog, "&Print...", "Ctrl+P", "Print Dialog", "Ctrl+P", false},
    {pcPageSetup, "Page Set&up...", "", "Page Setup", "", false},
    {pcOptions, "&Options...", "", "", "", false},
    {pcClose, "&Close", "", "Close Preview", "Alt+X", false},
    {pcMargins, "&Margins", "Ctrl+M", "", "", true},
    {pcFlatButtons, "&Flat ToolBar Buttons", "", "", "", true},
    {pcLargeButtons, "&Large ToolBar Buttons", "", "", "", true},
    {pcMarginBar, "M&argins Bar", "", "", "", true},
    {pcStatusBar, "&Status Bar", "", "", "", true},
    {pcExplorer, "E&xplorer", "Ctrl+X", "Show Explorer", "", true},
    {pcThumbnails, "Th&umbnails", "Ctrl+U", "Show Thumbnails", "", true},
    {pcSmallThumbnails, "&Small Thumbnails", "", "", "", true},
    {pcLargeThumbnails, "&Large Thumbnails", "", "", "", true},
    {pcZoom100, "Percent &100", "Ctrl+\\", "Zoom 100%", "Ctrl+\\", false},
    {pcZoomPageWidth, "Page &Width", "Ctrl+0", "Zoom Page Width", "Ctrl+0", false},
    {pcZoomWholePage, "W&hole Page", "Ctrl+1", "Whole Page", "Ctrl+1", false},
    {pcZoomTwoPages, "&Two Pages", "Ctrl+2", "Two Pages", "Ctrl+2", false},
    {pcZoomFourPages, "&Four Pages", "Ctrl+4", "Four Pages", "Ctrl+4", false},
    {pcZoomWiden, "Widen To S&ource Width", "Ctrl+W", "Widen To Source Width", "Ctrl+W", false},
    {pcZoomSetup, "&Setup...", "", "", "", false},
    {pcMultiplePages, "Multiple Pages", "", "Multiple Pages", "", false},
    {pcPageHeaders, "Page &Headers", "", "", "", true},
    {pcPageFooters, "Page Foote&rs", "", "", "", true},
    {pcAutoText, "AutoTe&xt...", "", "", "", false},
    {pcTitle, "T&itle...", "", "", "", false},
    {pcDateTime, "Date And &Time...", "", "", "", false},
    {pcPageNumbering, "Page &Numbering...", "", "", "", false},
    {pcShowEmptyPages, "Show &Empty Pages", "", "", "", true},
    {pcFitToPage, "&Fit to Page", "", "Shrink To Page", "", true},
    {pcBackground, "Bac&kground...", "Ctrl+K", "Background", "Ctrl+K", false},
    {pcFirstPage, "&First Page", "Home", "First Page", "Ctrl+Home", false},
    {pcPrevPage, "&Previous Page", "PgUp", "Previous Page", "Ctrl+Up", false},
    {pcNextPage, "&Next Page", "PgDown", "Next Page", "Ctrl+Down", false},
    {pcLastPage, "&Last Page", "End", "Last Page", "Ctrl+End", false},
    {pcHelp, "Help &Topics...", "", "Help Topics", "F1", false},
};

// The zoom list: eight percentages, then the fitting modes.
struct ZoomEntry {
  const char* Text;
  int Percent;  // 0 for the modes
};
const ZoomEntry kZoomList[] = {
    {"500%", 500},        {"200%", 200},       {"150%", 150},       {"100%", 100},        {"75%", 75},
    {"50%", 50},          {"25%", 25},         {"10%", 10},         {"Page Width", 0},    {"Whole Page", 0},
    {"Two Pages", 0},     {"Four Pages", 0},   {"Widen to Source Width", 0},
};
constexpr int kZoomPercentEntries = 8;
constexpr int kZoomTwoPagesEntry = 10;
constexpr int kZoomFourPagesEntry = 11;

// Simple drawn glyphs for the tool buttons.
void PaintCommandIcon(QPainter& p, TdxPreviewCommand command) {
  p.setRenderHint(QPainter::Antialiasing);
  const QPen ink(QColor(40, 40, 40), 2);
  p.setPen(ink);
  auto page = [&](QRectF r, QColor fill = Qt::white) {
    p.setBrush(fill);
    p.drawRect(r);
  };
  auto triangle = [&](bool left, qreal x) {
    QPainterPath path;
    if (left) {
      path.moveTo(x + 10, 6);
      path.lineTo(x, 16);
      path.lineTo(x + 10, 26);
    } else {
      path.moveTo(x, 6);
      path.lineTo(x + 10, 16);
      path.lineTo(x, 26);
    }
    path.closeSubpath();
    p.setBrush(QColor(30, 90, 180));
    p.drawPath(path);
  };
  auto text = [&](const char* s) {
    QFont f = p.font();
    f.setPixelSize(14);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, s);
  };
  switch (command) {
    case pcPrint:
    case pcPrintDialog:
      page(QRectF(9, 3, 14, 10));
      page(QRectF(3, 12, 26, 12), QColor(200, 200, 200));
      page(QRectF(9, 20, 14, 9));
      if (command == pcPrintDialog) text("...");
      break;
    case pcPageSetup:
      page(QRectF(6, 2, 20, 28));
      p.setPen(QPen(QColor(30, 90, 180), 1, Qt::DotLine));
      p.drawRect(QRectF(10, 6, 12, 20));
      break;
    case pcDesign:
      page(QRectF(4, 4, 20, 24));
      p.setPen(QPen(QColor(180, 90, 30), 4));
      p.drawLine(QPointF(28, 6), QPointF(14, 22));
      break;
    case pcLoad:
      page(QRectF(3, 10, 26, 18), QColor(240, 200, 90));
      page(QRectF(3, 6, 10, 5), QColor(240, 200, 90));
      break;
    case pcSave:
      page(QRectF(4, 4, 24, 24), QColor(70, 100, 170));
      page(QRectF(9, 4, 14, 9));
      break;
    case pcUnload:
      page(QRectF(6, 3, 20, 26));
      p.setPen(QPen(QColor(200, 30, 30), 3));
      p.drawLine(QPointF(10, 10), QPointF(22, 22));
      p.drawLine(QPointF(22, 10), QPointF(10, 22));
      break;
    case pcExplorer:
      page(QRectF(3, 3, 10, 8), QColor(240, 200, 90));
      page(QRectF(13, 13, 10, 8), QColor(240, 200, 90));
      p.drawLine(QPointF(8, 11), QPointF(8, 17));
      p.drawLine(QPointF(8, 17), QPointF(13, 17));
      break;
    case pcThumbnails:
      for (int i = 0; i < 3; ++i) page(QRectF(10, 2 + 10 * i, 12, 8));
      break;
    case pcFitToPage:
      page(QRectF(6, 2, 20, 28));
      p.drawLine(QPointF(2, 16), QPointF(12, 16));
      p.drawLine(QPointF(20, 16), QPointF(30, 16));
      break;
    case pcBackground:
      page(QRectF(6, 2, 20, 28), QColor(150, 200, 240));
      break;
    case pcZoom100: text("1:1"); break;
    case pcZoomPageWidth:
      page(QRectF(2, 6, 28, 22));
      p.drawLine(QPointF(5, 17), QPointF(27, 17));
      break;
    case pcZoomWholePage: page(QRectF(8, 2, 16, 28)); break;
    case pcZoomTwoPages:
      page(QRectF(2, 6, 13, 20));
      page(QRectF(17, 6, 13, 20));
      break;
    case pcZoomFourPages:
      for (int i = 0; i < 4; ++i) page(QRectF(3 + 14 * (i % 2), 2 + 15 * (i / 2), 12, 13));
      break;
    case pcMultiplePages:
      for (int i = 0; i < 6; ++i) page(QRectF(1 + 10 * (i % 3), 4 + 13 * (i / 3), 9, 11));
      break;
    case pcZoomWiden:
      page(QRectF(1, 9, 30, 14));
      break;
    case pcFirstPage:
      p.drawLine(QPointF(6, 6), QPointF(6, 26));
      triangle(true, 10);
      break;
    case pcPrevPage: triangle(true, 10); break;
    case pcNextPage: triangle(false, 11); break;
    case pcLastPage:
      triangle(false, 12);
      p.setPen(ink);
      p.drawLine(QPointF(26, 6), QPointF(26, 26));
      break;
    case pcHelp: text("?"); break;
    case pcClose:
      p.setPen(QPen(QColor(40, 40, 40), 3));
      p.drawLine(QPointF(8, 8), QPointF(24, 24));
      p.drawLine(QPointF(24, 8), QPointF(8, 24));
      break;
    default: break;
  }
}

QIcon CommandIcon(TdxPreviewCommand command) {
  return QIcon(ScreenPixmap(32, 32, [command](QPainter& p) { PaintCommandIcon(p, command); }));
}

void Guarded(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
}

// The long commands, whose tool button shows pressed while they run.
bool ShowsPressedWhileRunning(TdxPreviewCommand command) {
  switch (command) {
    case pcDesign:
    case pcBackground:
    case pcPrint:
    case pcPrintDialog:
    case pcPageSetup:
    case pcMultiplePages:
    case pcLoad:
    case pcSave: return true;
    default: return false;
  }
}

}  // namespace

// ---- Construction ----

TdxfmStdPreview::TdxfmStdPreview(QWidget* parent) : TCustomdxPSPreviewWindow(parent) {
  CreateActions();
  CreateMenus();
  CreateToolBar();
  auto* top = static_cast<QVBoxLayout*>(TopHost()->layout());
  top->addWidget(menuBar_);
  top->addWidget(toolBar_);

  auto* focusZoom = new QShortcut(QKeySequence("Alt+Z"), this);
  connect(focusZoom, &QShortcut::activated, this, [this] {
    if (zoomBox_->isEnabled()) zoomBox_->setFocus(Qt::ShortcutFocusReason);
  });
  auto* focusPage = new QShortcut(QKeySequence("Alt+A"), this);
  connect(focusPage, &QShortcut::activated, this, [this] {
    if (pageBox_->isEnabled()) pageBox_->setFocus(Qt::ShortcutFocusReason);
  });

  setWindowIcon(CommandIcon(pcPrint));
  ApplyToolBarLook();
  UpdatePrintHint();
  UpdateControls();
}

TdxfmStdPreview::~TdxfmStdPreview() {
  SaveSettings();
  // Focus moves while the children go; nothing may reach this window then.
  zoomBox_->removeEventFilter(this);
  zoomBox_->blockSignals(true);
  disconnect(zoomBox_, nullptr, this, nullptr);
  pageBox_->OnKeyDown = nullptr;
  pageBox_->OnExit = nullptr;
  pageBox_->OnButtonClick = nullptr;
}

void TdxfmStdPreview::CreateActions() {
  for (const CommandInfo& info : kCommands) {
    const TdxPreviewCommand command = info.Command;
    auto* action = new QAction(ToQ(info.MenuText), this);
    if (*info.Shortcut) action->setShortcut(QKeySequence(ToQ(info.Shortcut)));
    action->setCheckable(info.Checkable);
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
    actions_[command] = action;
    hints_[command] = info.Hint;
    shortcutHints_[command] = info.ShortcutHint;
    if (*info.Hint) {
      auto* tool = new QAction(CommandIcon(command), ToQ(info.Hint), this);
      tool->setCheckable(info.Checkable);
      tool->setToolTip(ToQ(ToolButtonHint(command)));
      connect(tool, &QAction::triggered, this, [this, command] {
        if (command == pcBackground)
          ChooseBackground(false);
        else
          RunCommand(command);
      });
      toolActions_[command] = tool;
    }
  }
  // Load and save open a file dialog here (there is no explorer).
  actions_[pcLoad]->setText("&Load...");
  actions_[pcSave]->setText("&Save...");
  thumbnailSizeGroup_ = new QActionGroup(this);
  thumbnailSizeGroup_->addAction(actions_[pcSmallThumbnails]);
  thumbnailSizeGroup_->addAction(actions_[pcLargeThumbnails]);
}

std::string TdxfmStdPreview::ToolButtonHint(TdxPreviewCommand command) const {
  std::string hint = hints_[command];
  if (!shortcutHints_[command].empty()) hint += " (" + shortcutHints_[command] + ")";
  return hint;
}

void TdxfmStdPreview::CreateMenus() {
  menuBar_ = new QMenuBar(this);
  menuBar_->setObjectName("MainMenu");
  auto add = [this](QMenu* menu, TdxPreviewCommand command) { menu->addAction(actions_[command]); };

  fileMenu_ = menuBar_->addMenu("&File");
  add(fileMenu_, pcDesign);
  fileMenu_->addSeparator();
  add(fileMenu_, pcLoad);
  add(fileMenu_, pcUnload);
  add(fileMenu_, pcSave);
  fileMenu_->addSeparator();
  add(fileMenu_, pcPrintDialog);
  add(fileMenu_, pcPageSetup);
  printStylesMenu_ = fileMenu_->addMenu("Print Styles");
  fileMenu_->addSeparator();
  add(fileMenu_, pcOptions);
  fileMenu_->addSeparator();
  add(fileMenu_, pcClose);

  viewMenu_ = menuBar_->addMenu("&View");
  add(viewMenu_, pcMargins);
  add(viewMenu_, pcMarginBar);
  add(viewMenu_, pcStatusBar);
  viewMenu_->addSeparator();
  add(viewMenu_, pcFlatButtons);
  add(viewMenu_, pcLargeButtons);
  viewMenu_->addSeparator();
  add(viewMenu_, pcExplorer);
  add(viewMenu_, pcThumbnails);
  viewMenu_->addSeparator();
  zoomMenu_ = viewMenu_->addMenu("&Zoom");
  add(zoomMenu_, pcZoom100);
  add(zoomMenu_, pcZoomPageWidth);
  add(zoomMenu_, pcZoomWholePage);
  add(zoomMenu_, pcZoomTwoPages);
  add(zoomMenu_, pcZoomFourPages);
  zoomMenu_->addSeparator();
  add(zoomMenu_, pcZoomWiden);
  zoomMenu_->addSeparator();
  add(zoomMenu_, pcZoomSetup);
  viewMenu_->addSeparator();
  add(viewMenu_, pcPageHeaders);
  add(viewMenu_, pcPageFooters);

  formatMenu_ = menuBar_->addMenu("F&ormat");
  add(formatMenu_, pcAutoText);
  formatMenu_->addSeparator();
  add(formatMenu_, pcTitle);
  add(formatMenu_, pcDateTime);
  add(formatMenu_, pcPageNumbering);
  formatMenu_->addSeparator();
  add(formatMenu_, pcShowEmptyPages);
  add(formatMenu_, pcFitToPage);
  formatMenu_->addSeparator();
  add(formatMenu_, pcBackground);

  goMenu_ = menuBar_->addMenu("&Go");
  add(goMenu_, pcFirstPage);
  add(goMenu_, pcPrevPage);
  add(goMenu_, pcNextPage);
  add(goMenu_, pcLastPage);

  helpMenu_ = menuBar_->addMenu("&Help");
  add(helpMenu_, pcHelp);

  previewPopup_ = new QMenu(this);
  add(previewPopup_, pcDesign);
  previewPopup_->addSeparator();
  add(previewPopup_, pcPageSetup);
  previewPopup_->addMenu(printStylesMenu_);
  previewPopup_->addSeparator();
  previewPopup_->addMenu(zoomMenu_);
  add(previewPopup_, pcFitToPage);
  previewPopup_->addSeparator();
  add(previewPopup_, pcFirstPage);
  add(previewPopup_, pcPrevPage);
  add(previewPopup_, pcNextPage);
  add(previewPopup_, pcLastPage);

  thumbnailsPopup_ = new QMenu(this);
  add(thumbnailsPopup_, pcSmallThumbnails);
  add(thumbnailsPopup_, pcLargeThumbnails);

  toolBarPopup_ = new QMenu(this);
  add(toolBarPopup_, pcFlatButtons);
  add(toolBarPopup_, pcLargeButtons);

  for (QMenu* menu : {fileMenu_, viewMenu_, zoomMenu_, formatMenu_, goMenu_, helpMenu_, previewPopup_})
    menu->setSeparatorsCollapsible(true);
}

void TdxfmStdPreview::CreateToolBar() {
  toolBar_ = new QToolBar(this);
  toolBar_->setObjectName("ToolBar");
  toolBar_->setMovable(false);
  toolBar_->setFloatable(false);
  toolBar_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(toolBar_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { toolBarPopup_->popup(toolBar_->mapToGlobal(pos)); });
  auto add = [this](TdxPreviewCommand command) { toolBar_->addAction(toolActions_[command]); };
  add(pcDesign);
  toolBar_->addSeparator();
  add(pcLoad);
  add(pcSave);
  add(pcUnload);
  toolBar_->addSeparator();
  add(pcPrint);
  add(pcPrintDialog);
  add(pcPageSetup);
  toolBar_->addSeparator();
  add(pcExplorer);
  add(pcThumbnails);
  toolBar_->addSeparator();
  add(pcFitToPage);
  add(pcBackground);
  toolBar_->addSeparator();
  add(pcZoom100);
  add(pcZoomPageWidth);
  add(pcZoomWholePage);
  add(pcZoomTwoPages);
  add(pcZoomFourPages);
  add(pcMultiplePages);
  add(pcZoomWiden);
  CreateZoomBox();
  toolBar_->addSeparator();
  add(pcFirstPage);
  add(pcPrevPage);
  CreatePageBox();
  add(pcNextPage);
  add(pcLastPage);
  toolBar_->addSeparator();
  add(pcHelp);
  add(pcClose);
}

void TdxfmStdPreview::CreateZoomBox() {
  zoomBox_ = new QComboBox(toolBar_);
  zoomBox_->setObjectName("ZoomBox");
  zoomBox_->setEditable(true);
  zoomBox_->setInsertPolicy(QComboBox::NoInsert);
  zoomBox_->setToolTip("Zoom");
  zoomBox_->setMaxVisibleItems(13);
  for (const ZoomEntry& entry : kZoomList) zoomBox_->addItem(entry.Text, entry.Percent);
  // Keys and focus changes reach the box itself (its edit passes the focus
  // on to it), so that is where typed text is taken.
  zoomBox_->installEventFilter(this);
  connect(zoomBox_, &QComboBox::activated, this, [this](int index) {
    if (index >= 0) ApplyZoomText(FromQ(zoomBox_->itemText(index)));
    PreviewControl()->setFocus(Qt::OtherFocusReason);
  });
  zoomBoxAction_ = toolBar_->addWidget(zoomBox_);
}

void TdxfmStdPreview::CreatePageBox() {
  pageBox_ = new TdxPSSpinEdit(toolBar_);
  pageBox_->setObjectName("PageBox");
  pageBox_->setToolTip("Active Page");
  pageBox_->SetValueType(svtInteger);
  pageBox_->SetMinValue(1);
  pageBox_->SetMaxValue(1);
  pageBox_->SetIncrement(1);
  pageBox_->SetPageIncrement(1);
  pageBox_->setFixedWidth(60);
  pageBox_->OnKeyDown = [this](TdxPSSpinEdit&, int& key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ApplyPageBox();
      PreviewControl()->setFocus(Qt::OtherFocusReason);
      key = 0;
    } else if (key == Qt::Key_Escape) {
      UpdatePageBox();
      PreviewControl()->setFocus(Qt::OtherFocusReason);
      key = 0;
    }
  };
  pageBox_->OnExit = [this](TdxPSSpinEdit&) { ApplyPageBox(); };
  // The box's buttons and keys report which way to go.
  pageBox_->OnButtonClick = [this](TdxPSSpinEdit&, TdxButtonType, TUDBtnType button) {
    if (button == btNext)
      GoToNextPage();
    else
      GoToPrevPage();
    UpdatePageBox();
  };
  pageBoxAction_ = toolBar_->addWidget(pageBox_);
}

// ---- Look of the tool bar ----

void TdxfmStdPreview::SetFlatButtons(bool value) {
  if (flatButtons_ == value) return;
  flatButtons_ = value;
  ApplyToolBarLook();
  UpdateControls();
}

void TdxfmStdPreview::SetLargeButtons(bool value) {
  if (largeButtons_ == value) return;
  largeButtons_ = value;
  ApplyToolBarLook();
  UpdateControls();
}

void TdxfmStdPreview::ApplyToolBarLook() {
  const int iconSize = largeButtons_ ? 32 : 16;
  const QSize buttonSize = largeButtons_ ? QSize(40, 40) : QSize(25, 24);
  toolBar_->setIconSize(QSize(iconSize, iconSize));
  toolBar_->setFixedHeight(largeButtons_ ? 54 : 38);
  for (QAction* action : toolBar_->actions()) {
    if (auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(action))) {
      // A button that drops a menu down has its arrow beside the glyph.
      const int arrow = button->popupMode() == QToolButton::MenuButtonPopup
                            ? button->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, button)
                            : 0;
      button->setFixedSize(buttonSize.width() + arrow, buttonSize.height());
      button->setAutoRaise(flatButtons_);
    }
  }
  zoomBox_->setFixedWidth(largeButtons_ ? 160 : 140);
  zoomBox_->setFrame(!flatButtons_);
  // The open list is as wide as its longest entry, even where the box is narrower.
  QAbstractItemView* list = zoomBox_->view();
  list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                        list->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  pageBox_->SetFlat(flatButtons_);
}

QToolButton* TdxfmStdPreview::ToolButton(TdxPreviewCommand command) const {
  if (!toolActions_[command]) return nullptr;
  return qobject_cast<QToolButton*>(toolBar_->widgetForAction(toolActions_[command]));
}

// ---- Refresh ----

void TdxfmStdPreview::DoUpdateControls() {
  if (!toolBar_ || !zoomBox_ || !pageBox_) return;  // still being made
  TBasedxReportLink* link = ReportLink();
  const auto& dialogs = dxPSPreviewWindowDialogs();
  const auto& storage = dxPSReportLinkStorage();
  const int pages = PageCount();
  const bool hasPages = pages > 0;
  const bool building = IsBuilding(), printing = IsPrinting();
  const int selected = SelectedPageIndex();

  bool visible[pcCommandCount], enabled[pcCommandCount];
  std::fill(std::begin(visible), std::end(visible), true);
  std::fill(std::begin(enabled), std::end(enabled), true);

  visible[pcDesign] = IsVisible(pvoReportDesign);
  enabled[pcDesign] = IsEnabled(peoReportDesign) && CanDesign() && !building && !printing;

  const bool files = IsVisible(pvoReportFileOperations);
  visible[pcLoad] = visible[pcSave] = visible[pcUnload] = files;
  const bool idle = link && !building && !printing;
  enabled[pcLoad] = idle && storage.IsReportStream && storage.ReadReport;
  enabled[pcSave] = idle && storage.WriteReport && (link->ReportCells() || link->DataProviderPresent());
  enabled[pcUnload] = idle && link->IsExternalStorage();

  visible[pcPrint] = visible[pcPrintDialog] = IsVisible(pvoPrint);
  enabled[pcPrint] = CanPrint();
  enabled[pcPrintDialog] = CanPrint() && dialogs.PrintDialog;
  visible[pcPageSetup] = IsVisible(pvoPageSetup);
  enabled[pcPageSetup] = CanPageSetup();
  visible[pcOptions] = IsVisible(pvoPreferences);
  enabled[pcOptions] = IsEnabled(peoPreferences) && bool(dialogs.Preferences);
  enabled[pcClose] = !printing;
  visible[pcBackground] = IsVisible(pvoPageBackground);
  enabled[pcBackground] = IsEnabled(peoPageBackground) && !printing && bool(dialogs.ChooseBackground) && link;
  visible[pcHelp] = IsVisible(pvoHelp);
  enabled[pcHelp] = IsEnabled(peoHelp);
  // There is no report explorer in this engine.
  visible[pcExplorer] = false;
  enabled[pcExplorer] = false;

  enabled[pcFitToPage] = hasPages && !printing;
  for (TdxPreviewCommand c : {pcZoom100, pcZoomPageWidth, pcZoomWholePage}) enabled[c] = hasPages;
  enabled[pcZoomTwoPages] = pages > 1;
  enabled[pcZoomFourPages] = pages > 3;
  enabled[pcZoomWiden] = hasPages && !printing;
  enabled[pcZoomSetup] = hasPages && bool(dialogs.ZoomSetup);
  enabled[pcMultiplePages] = hasPages && bool(dialogs.ChoosePages);
  enabled[pcFirstPage] = enabled[pcPrevPage] = hasPages && selected > 0;
  enabled[pcNextPage] = enabled[pcLastPage] = hasPages && selected >= 0 && selected < pages - 1;
  const bool bandsAllowed = hasPages && !building && !printing;
  enabled[pcShowEmptyPages] = enabled[pcPageHeaders] = enabled[pcPageFooters] = bandsAllowed;
  visible[pcShowEmptyPages] = link && link->SupportsEmptyPages();
  visible[pcAutoText] = link && link->StyleManager() && dialogs.AutoText;
  enabled[pcAutoText] = idle;
  enabled[pcTitle] = idle && bool(dialogs.Title);
  enabled[pcDateTime] = idle && bool(dialogs.DateTimeFormats);
  enabled[pcPageNumbering] = idle && bool(dialogs.PageNumberFormats);

  for (int c = 0; c < pcCommandCount; ++c) {
    const bool on = enabled[c] && visible[c];
    actions_[c]->setVisible(visible[c]);
    actions_[c]->setEnabled(on);
    if (toolActions_[c]) {
      toolActions_[c]->setVisible(visible[c]);
      toolActions_[c]->setEnabled(on);
    }
  }
  UpdatePrintStylesOffer();
  zoomMenu_->menuAction()->setEnabled(hasPages);
  goMenu_->menuAction()->setEnabled(hasPages);
  // A menu whose items are all hidden is not offered at all.
  for (QAction* title : menuBar_->actions())
    if (QMenu* menu = title->menu()) {
      const QList<QAction*> entries = menu->actions();
      title->setVisible(std::any_of(entries.begin(), entries.end(),
                                    [](QAction* a) { return !a->isSeparator() && a->isVisible(); }));
    }

  auto check = [this](TdxPreviewCommand c, bool on) {
    actions_[c]->setChecked(on);
    if (toolActions_[c]) toolActions_[c]->setChecked(on);
  };
  check(pcMargins, ShowMargins());
  check(pcMarginBar, ShowMarginBar());
  check(pcStatusBar, ShowStatusBar());
  check(pcExplorer, ShowExplorer());
  check(pcThumbnails, ThumbnailsVisible());
  check(pcSmallThumbnails, !ThumbnailsLarge());
  check(pcLargeThumbnails, ThumbnailsLarge());
  check(pcFitToPage, link && link->ShrinkToPageWidth());
  check(pcPageHeaders, link && link->ShowPageHeader());
  check(pcPageFooters, link && link->ShowPageFooter());
  check(pcShowEmptyPages, link && link->ShowEmptyPages());
  check(pcFlatButtons, flatButtons_);
  check(pcLargeButtons, largeButtons_);

  // Tool bar separators show only between visible buttons.
  const QList<QAction*> items = toolBar_->actions();
  for (int i = 0; i < items.size(); ++i) {
    if (!items[i]->isSeparator()) continue;
    bool before = false, after = false;
    for (int j = i - 1; j >= 0 && !items[j]->isSeparator(); --j) before = before || items[j]->isVisible();
    for (int j = i + 1; j < items.size() && !items[j]->isSeparator(); ++j) after = after || items[j]->isVisible();
    items[i]->setVisible(before && after);
  }

  // Zoom box: the list entries that need more pages are disabled.
  zoomBox_->setEnabled(hasPages);
  if (auto* model = qobject_cast<QStandardItemModel*>(zoomBox_->model())) {
    model->item(kZoomTwoPagesEntry)->setEnabled(pages > 1);
    model->item(kZoomFourPagesEntry)->setEnabled(pages > 3);
  }
  UpdateZoomBox();
  UpdatePageBox();
  for (int c = 0; c < pcCommandCount; ++c)
    if (running_[c] && ShowsPressedWhileRunning(TdxPreviewCommand(c))) SetButtonDown(TdxPreviewCommand(c), true);
}

void TdxfmStdPreview::UpdateZoomBox() {
  if (applyingZoom_ || !zoomBox_) return;
  // The text being typed stays until it is applied.
  if (zoomBox_->lineEdit()->hasFocus() && zoomBox_->lineEdit()->isModified()) return;
  zoomBox_->setEditText(QString::number(PreviewControl()->ZoomFactor()) + "%");
  zoomBox_->lineEdit()->setModified(false);
}

void TdxfmStdPreview::UpdatePageBox() {
  const int reportPages = ReportPageCount();
  const bool on = PageCount() > 1;
  pageBox_->setEnabled(on);
  if (!on) {
    pageBox_->setText(QString());
    return;
  }
  pageBox_->SetMaxValue(std::max(reportPages, 1));
  const int selected = SelectedPageIndex();
  if (selected >= 0 && !pageBox_->hasFocus()) pageBox_->SetInteger(ReportPageNumber(selected));
}

void TdxfmStdPreview::UpdatePrintHint() {
  std::string hint = hints_[pcPrint];
  if (PrinterExists())
    if (auto name = GetPrintDevice().DeviceName(); name && !name->empty()) hint += " (" + *name + ")";
  toolActions_[pcPrint]->setToolTip(ToQ(hint));
}

// ---- Input ----

void TdxfmStdPreview::ApplyZoomText(const std::string& input) {
  applyingZoom_ = true;
  const QString text = ToQ(input).trimmed();
  const int pages = PageCount();
  bool matched = false;
  for (int i = 0; i < kZoomPercentEntries && !matched; ++i)
    if (text == kZoomList[i].Text) {
      ZoomToPercent(kZoomList[i].Percent);
      matched = true;
    }
  if (!matched) {
    matched = true;
    if (text == "Page Width")
      ZoomToPageWidth();
    else if (text == "Whole Page")
      ZoomToPages(1, 1);
    else if (text == "Two Pages") {
      if (pages > 1) ZoomToPages(2, 1);
    } else if (text == "Four Pages") {
      if (pages > 3) ZoomToPages(2, 2);
    } else if (text == "Widen to Source Width")
      ZoomToSourceWidth(false);
    else
      matched = false;
  }
  if (!matched) {
    QString number = text;
    while (number.endsWith('%')) number.chop(1);
    number = number.trimmed();
    bool ok = false;
    int zoom = number.toInt(&ok);
    if (!ok) {
      const double value = QLocale().toDouble(number, &ok);
      if (ok && std::isfinite(value)) zoom = int(std::clamp(std::lround(value), -1000000L, 1000000L));
      else ok = false;
    }
    if (ok) ZoomToPercent(std::clamp(zoom, 10, 500));
  }
  applyingZoom_ = false;
  zoomBox_->setEditText(QString::number(PreviewControl()->ZoomFactor()) + "%");
  zoomBox_->lineEdit()->setModified(false);
}

void TdxfmStdPreview::ApplyPageBox() {
  if (!pageBox_->isEnabled() || pageBox_->text().trimmed().isEmpty()) return;
  const int page = PreviewPageOfReportPage(pageBox_->AsInteger());
  if (page >= 0 && page < PageCount()) SelectPage(page);
  UpdatePageBox();
}

bool TdxfmStdPreview::eventFilter(QObject* watched, QEvent* event) {
  if (zoomBox_ && watched == zoomBox_) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        ApplyZoomText(FromQ(zoomBox_->currentText()));
        PreviewControl()->setFocus(Qt::OtherFocusReason);
        return true;
      }
      if (key->key() == Qt::Key_Escape) {
        zoomBox_->lineEdit()->setModified(false);
        UpdateZoomBox();
        PreviewControl()->setFocus(Qt::OtherFocusReason);
        return true;
      }
    } else if (event->type() == QEvent::FocusOut) {
      if (zoomBox_->lineEdit()->isModified()) ApplyZoomText(FromQ(zoomBox_->currentText()));
    }
  }
  return TCustomdxPSPreviewWindow::eventFilter(watched, event);
}

void TdxfmStdPreview::keyPressEvent(QKeyEvent* e) {
  auto run = [&](TdxPreviewCommand c) {
    if (actions_[c]->isEnabled()) RunCommand(c);
    e->accept();
  };
  switch (e->key()) {
    case Qt::Key_Help: return run(pcHelp);
    case Qt::Key_Open: return run(pcLoad);
    case Qt::Key_Close: return run(pcClose);
    case Qt::Key_Save: return run(pcSave);
    case Qt::Key_Print: return run(pcPrintDialog);
    default: break;
  }
  TCustomdxPSPreviewWindow::keyPressEvent(e);
}

void TdxfmStdPreview::ShowPopupMenu(QWidget* control, QPoint globalPos) {
  QMenu* menu = control == ThumbnailsPreview() ? thumbnailsPopup_ : previewPopup_;
  UpdateControls();
  menu->popup(globalPos);
}

void TdxfmStdPreview::showEvent(QShowEvent* e) {
  TCustomdxPSPreviewWindow::showEvent(e);
  ApplyToolBarLook();
}

void TdxfmStdPreview::changeEvent(QEvent* e) {
  TCustomdxPSPreviewWindow::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow() && !printHintRenewed_) {
    printHintRenewed_ = true;
    UpdatePrintHint();
  }
}

// ---- Commands ----

void TdxfmStdPreview::SetButtonDown(TdxPreviewCommand command, bool down) {
  if (QToolButton* button = ToolButton(command)) button->setDown(down);
}

void TdxfmStdPreview::RunCommand(TdxPreviewCommand command) {
  // Print, page setup, load, save and title ignore a second start while
  // they run; the tool buttons of the long commands show pressed meanwhile.
  switch (command) {
    case pcPrint:
    case pcPrintDialog:
    case pcPageSetup:
    case pcLoad:
    case pcSave:
    case pcTitle:
      if (running_[pcPrint] || running_[pcPrintDialog] || running_[command]) return;
      break;
    default: break;
  }
  QPointer<QWidget> guard(this);
  const bool pressed = ShowsPressedWhileRunning(command);
  running_[command] = true;
  if (pressed) SetButtonDown(command, true);
  auto finish = [&] {
    if (!guard) return;
    running_[command] = false;
    if (pressed) SetButtonDown(command, false);
  };

  TBasedxReportLink* link = ReportLink();
  Guarded([&] {
    switch (command) {
      case pcDesign: DoDesign(); break;
      case pcLoad: LoadReport(); break;
      case pcUnload: UnloadReport(); break;
      case pcSave: SaveReport(); break;
      case pcPrint: DoPrint(false); break;
      case pcPrintDialog:
        DoPrint(true);
        if (guard) UpdatePrintHint();
        break;
      case pcPageSetup: DoPageSetup(0); break;
      case pcOptions: RunPreferences(); break;
      case pcClose: close(); break;
      case pcMargins: SetShowMargins(!ShowMargins()); break;
      case pcFlatButtons: SetFlatButtons(!flatButtons_); break;
      case pcLargeButtons: SetLargeButtons(!largeButtons_); break;
      case pcMarginBar: SetShowMarginBar(!ShowMarginBar()); break;
      case pcStatusBar: SetShowStatusBar(!ShowStatusBar()); break;
      case pcExplorer: SetShowExplorer(!ShowExplorer()); break;
      case pcThumbnails: SetThumbnailsVisible(!ThumbnailsVisible()); break;
      case pcSmallThumbnails: SetThumbnailsLarge(false); break;
      case pcLargeThumbnails: SetThumbnailsLarge(true); break;
      case pcZoom100: ZoomToPercent(100); break;
      case pcZoomPageWidth: ZoomToPageWidth(); break;
      case pcZoomWholePage: ZoomToPages(1, 1); break;
      case pcZoomTwoPages:
        if (PageCount() > 1) ZoomToPages(2, 1);
        break;
      case pcZoomFourPages:
        if (PageCount() > 3) ZoomToPages(2, 2);
        break;
      case pcZoomWiden: ZoomToSourceWidth(true); break;
      case pcZoomSetup:
        if (dxPSPreviewWindowDialogs().ZoomSetup) dxPSPreviewWindowDialogs().ZoomSetup(*PreviewControl());
        break;
      case pcMultiplePages: ChooseMultiplePages(); break;
      case pcPageHeaders:
        if (link) DoShowPageHeaders(!link->ShowPageHeader());
        break;
      case pcPageFooters:
        if (link) DoShowPageFooters(!link->ShowPageFooter());
        break;
      case pcAutoText: RunLinkDialog(dxPSPreviewWindowDialogs().AutoText, true); break;
      case pcTitle: RunLinkDialog(dxPSPreviewWindowDialogs().Title, false); break;
      case pcDateTime: RunLinkDialog(dxPSPreviewWindowDialogs().DateTimeFormats, true); break;
      case pcPageNumbering: RunLinkDialog(dxPSPreviewWindowDialogs().PageNumberFormats, true); break;
      case pcShowEmptyPages:
        if (link) DoShowEmptyPages(!link->ShowEmptyPages());
        break;
      case pcFitToPage:
        if (link) DoShrinkToPage(!link->ShrinkToPageWidth());
        break;
      case pcBackground: ChooseBackground(true); break;
      case pcFirstPage: GoToFirstPage(); break;
      case pcPrevPage: GoToPrevPage(); break;
      case pcNextPage: GoToNextPage(); break;
      case pcLastPage: GoToLastPage(); break;
      case pcHelp: break;  // no help system: a help context of 0 does nothing
      case pcCommandCount: break;
    }
  });
  finish();
  if (!guard) return;
  UpdateControls();
  // A close asked for while a build or a job ran below this command.
  if (CloseRequested() && isVisible() && !IsBuilding() && !IsPrinting()) close();
}

void TdxfmStdPreview::LoadReport() {
  TBasedxReportLink* link = ReportLink();
  if (!link) return;
  if (const auto& choose = dxPSPreviewWindowDialogs().LoadReport) {
    if (const std::optional<std::string> name = choose(this, link->StorageName())) link->LoadFromFile(*name);
    return;
  }
  TFileDialog dialog(TFileDialogKind::OpenFile);
  dialog.Title = "Load Report";
  dialog.Filter = "Report Files (*.rps)|*.rps";
  dialog.DefaultExt = "rps";
  if (!dialog.Execute(this)) return;
  link->LoadFromFile(dialog.FileName);
}

void TdxfmStdPreview::SaveReport() {
  TBasedxReportLink* link = ReportLink();
  if (!link) return;
  std::string proposed = link->StorageName().empty() ? link->DefaultReportFileName() : link->StorageName();
  for (;;) {
    std::string chosen;
    if (const auto& choose = dxPSPreviewWindowDialogs().SaveReport) {
      const std::optional<std::string> name = choose(this, proposed);
      if (!name) return;
      chosen = *name;
    } else {
      TFileDialog dialog(TFileDialogKind::SaveFile);
      dialog.Title = "Save Report As";
      dialog.Filter = "Report Files (*.rps)|*.rps";
      dialog.DefaultExt = "rps";
      dialog.FileName = proposed;
      dialog.OverwritePrompt = false;
      if (!dialog.Execute(this)) return;
      chosen = dialog.FileName;
    }
    // The chosen name gets the extension ".rps": the question is about that
    // file, the one that is written (March.2024 writes March.rps). No goes
    // back to the dialog.
    QFileInfo info(ToQ(chosen));
    const QString name = info.dir().filePath(info.completeBaseName()) + ".rps";
    if (QFileInfo::exists(name) &&
        !MessageQuestion(Format(dxPSPreviewWindowTexts::ReplaceReportFile, FromQ(name).c_str()))) {
      proposed = FromQ(name);
      continue;
    }
    link->SaveToFile(FromQ(name));
    return;
  }
}

void TdxfmStdPreview::UnloadReport() {
  if (TBasedxReportLink* link = ReportLink(); link && link->IsExternalStorage()) link->SetDataSource(dsComponent);
}

void TdxfmStdPreview::ChooseMultiplePages() {
  const auto& choose = dxPSPreviewWindowDialogs().ChoosePages;
  if (!choose) return;
  TdxPreview* preview = PreviewControl();
  const TPoint size = preview->PageSizeInPixels();
  const int indent = preview->Indent();
  const int pageWidth = MulDiv(size.X, preview->MinZoomFactor(), 100);
  const int pageHeight = MulDiv(size.Y, preview->MinZoomFactor(), 100);
  int maxColumns = pageWidth + indent > 0 ? (preview->ClientWidth() - 2 * indent) / (pageWidth + indent) : 1;
  int maxRows = pageHeight + indent > 0 ? (preview->ClientHeight() - 2 * indent) / (pageHeight + indent) : 1;
  maxColumns = std::max(maxColumns, 1);
  maxRows = std::max(maxRows, 1);
  int columns = std::min(maxColumns, 3), rows = std::min(maxRows, 2);
  QToolButton* button = ToolButton(pcMultiplePages);
  const QPoint at = button ? button->mapToGlobal(QPoint(0, button->height())) : preview->mapToGlobal(QPoint(0, 0));
  if (choose(at, button ? button->height() : 0, maxColumns, maxRows, columns, rows)) ZoomToPages(columns, rows);
}

void TdxfmStdPreview::ChooseBackground(bool fromMenu) {
  const auto& choose = dxPSPreviewWindowDialogs().ChooseBackground;
  TBasedxReportLink* link = ReportLink();
  if (!choose || !link) return;
  const TdxPreviewCommand command = pcBackground;
  if (!fromMenu) {
    running_[command] = true;
    SetButtonDown(command, true);
  }
  QPointer<QWidget> guard(this);
  QToolButton* button = ToolButton(command);
  const QPoint at = !fromMenu && button ? button->mapToGlobal(QPoint(0, button->height()))
                                        : PreviewControl()->mapToGlobal(QPoint(0, 0));
  bool changed = false;
  Guarded([&] { changed = choose(PreviewControl()->PageBackground(), at, this); });
  if (!guard) return;
  if (changed) link->RealPrinterPage().SetBackground(PreviewControl()->PageBackground());
  if (!fromMenu) {
    running_[command] = false;
    SetButtonDown(command, false);
  }
  UpdateControls();
}

void TdxfmStdPreview::RunPreferences() {
  const auto& dialog = dxPSPreviewWindowDialogs().Preferences;
  if (!dialog) return;
  TdxPreviewWindowPreferences preferences = Preferences();
  if (dialog(preferences)) ApplyPreferences(preferences);
}

void TdxfmStdPreview::RunLinkDialog(const std::function<bool(TBasedxReportLink&)>& dialog, bool repaintBands) {
  TBasedxReportLink* link = ReportLink();
  if (!dialog || !link) return;
  QPointer<QWidget> guard(this);
  const bool done = dialog(*link);
  if (!guard || !done) return;
  if (repaintBands) {
    InvalidatePagesHeaderContent();
    InvalidatePagesFooterContent();
  } else {
    InvalidateContent();
  }
}

// ---- Registry ----

void TdxfmStdPreview::LoadFromRegistry(const std::string& key) {
  TCustomdxPSPreviewWindow::LoadFromRegistry(key);
  try {
    TRegistry r;
    if (!r.OpenKeyReadOnly("\\" + key)) return;
    if (r.ValueExists("FlatCtrls")) flatButtons_ = r.ReadBool("FlatCtrls");
    if (r.ValueExists("LargeBtns")) largeButtons_ = r.ReadBool("LargeBtns");
  } catch (const ERegistryException&) {
  }
  ApplyToolBarLook();
}

void TdxfmStdPreview::SaveToRegistry(const std::string& key) {
  TCustomdxPSPreviewWindow::SaveToRegistry(key);
  try {
    TRegistry r;
    if (!r.OpenKey("\\" + key, true)) return;
    r.WriteBool("FlatCtrls", flatButtons_);
    r.WriteBool("LargeBtns", largeButtons_);
  } catch (const ERegistryException&) {
  }
}

// ---- Registration ----

void dxPSRegisterStdPreviewWindow() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  dxPSRegisterPreviewWindow("TdxfmStdPreview", [] {
    auto* window = new TdxfmStdPreview;
    window->AfterConstruction();
    return static_cast<TBasedxPreviewWindow*>(window);
  });
}
