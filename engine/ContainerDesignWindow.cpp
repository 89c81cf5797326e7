#include "engine/ContainerDesignWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>

#include "engine/ComponentPrinter.h"
#include "engine/ContainerReportLink.h"
#include "engine/ControlProducers.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/Exceptions.h"
#include "platform/QtStrings.h"
#include "report/EngineSettings.h"
#include "platform/ScopeExit.h"

namespace txt = dxPSDesignWindowTexts;

namespace {

constexpr int kButtonWidth = 75;
constexpr int kWideButtonWidth = 115;
constexpr int kButtonHeight = 23;
constexpr int kButtonsBottomGap = 6;
constexpr int kButtonsGap = 4;
constexpr int kStateImageSize = 13;
constexpr int kStateImageIndent = 2;
constexpr int kMaxCaptionLength = 255;


// The window's icon: a sheet of paper with a pen across it.
QIcon DesignWindowIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QColor(64, 64, 64));
  p.setBrush(Qt::white);
  p.drawRect(2, 1, 10, 13);
  p.setPen(QColor(0, 0, 160));
  for (int y = 4; y <= 10; y += 3) p.drawLine(4, y, 9, y);
  p.setPen(QPen(QColor(160, 96, 0), 2));
  p.drawLine(8, 14, 14, 6);
  return QIcon(pixmap);
}

// The picture at the head of an option group.
QPixmap GroupPicture(int kind) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  switch (kind) {
    case 0:  // transparency: a framed square over a checkerboard
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
          p.fillRect(x * 4, y * 4, 4, 4, (x + y) % 2 ? QColor(192, 192, 192) : QColor(255, 255, 255));
      p.setPen(QColor(0, 0, 128));
      p.drawRect(3, 3, 9, 9);
      break;
    case 1:  // pagination: two sheets
      p.setPen(QColor(64, 64, 64));
      p.setBrush(Qt::white);
      p.drawRect(1, 1, 8, 11);
      p.drawRect(6, 4, 8, 11);
      break;
    default:  // size: a double arrow
      p.setPen(QPen(QColor(0, 0, 128), 2));
      p.drawLine(2, 8, 14, 8);
      p.drawLine(2, 8, 5, 5);
      p.drawLine(2, 8, 5, 11);
      p.drawLine(14, 8, 11, 5);
      p.drawLine(14, 8, 11, 11);
      break;
  }
  return pixmap;
}

bool IsStandardControl(const QObject* object) {
  static const char* const names[] = {"TScrollBar", "TSplitter",  "TControlBar",
                                      "TToolBar",   "TCoolBar",   "TPageScroller"};
  TdxClass cls = dxComponentClassOf(object);
  for (const char* name : names)
    if (TdxClass standard = dxControlClassByName(name); standard && InheritsFrom(cls, standard)) return true;
  return false;
}

// The component classes the container link is registered for, in the
// order of registration.
const TdxClass* ContainerComponentClasses() {
  static const TdxClass classes[] = {&TPanelClass,       &TScrollBoxClass, &TTabControlClass,     &TTabSheetClass,
                                     &TPageControlClass, &TTabPageClass,   &TTabbedNotebookClass, &TPageClass,
                                     &TNotebookClass,    &TCustomFormClass, &TCustomFrameClass,   nullptr};
  return classes;
}

}  // namespace

// ---- TAbstractdxReportLinkDesignWindow ---------------------------------------------

TAbstractdxReportLinkDesignWindow::TAbstractdxReportLinkDesignWindow()
    : TCustomdxPSForm(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(ToQ(txt::Caption));
  setWindowIcon(DesignWindowIcon());
}

TAbstractdxReportLinkDesignWindow::~TAbstractdxReportLinkDesignWindow() = default;

void TAbstractdxReportLinkDesignWindow::Initialize() {
  initializing_ = true;
  BeforeInitialize();
  {
    ScopeExit done([this] {
      AfterInitialize();
      initializing_ = false;
    });
    LoadStrings();
    LoadValues();
  }
  initialized_ = true;
  UpdateControlsState();
}

void TAbstractdxReportLinkDesignWindow::LoadStrings() {
  if (!link_) return;
  std::string caption = link_->DesignerCaption;
  if (dxPSIsDesignTime && link_->Component())
    caption += " : " + FromQ(link_->Component()->objectName());
  setWindowTitle(ToQ(caption));
  if (link_->DesignerHelpContext != 0) helpContext_ = link_->DesignerHelpContext;
}

void TAbstractdxReportLinkDesignWindow::SetModified(bool value) {
  modified_ = value;
  if (value) applied_ = false;
  UpdateControlsState();
}

void TAbstractdxReportLinkDesignWindow::SetApplied(bool value) {
  applied_ = value;
  UpdateControlsState();
}

void TAbstractdxReportLinkDesignWindow::MarkApplied() {
  modified_ = false;
  applied_ = true;
  if (savedValues_ && link_) savedValues_->Assign(*link_);
  UpdateControlsState();
}

void TAbstractdxReportLinkDesignWindow::FailWith(std::exception_ptr error, bool reported) {
  error_ = std::move(error);
  errorReported_ = reported;
  SetModalResult(mrCancel);
}

void TAbstractdxReportLinkDesignWindow::SetModalResult(int result) {
  modalResult_ = result;
  if (result != mrNone) EndRun();
}

bool TAbstractdxReportLinkDesignWindow::Execute() {
  if (!initialized_) Initialize();
  UpdateControlsState();
  modalResult_ = mrNone;
  error_ = nullptr;
  errorReported_ = false;
  if (!RunModal()) return false;
  if (modalResult_ == mrNone) modalResult_ = mrCancel;
  hide();
  setWindowModality(Qt::NonModal);
  if (error_) std::rethrow_exception(error_);
  return modalResult_ == mrOk;
}

void TAbstractdxReportLinkDesignWindow::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (plain && event->key() == Qt::Key_Escape) {
    SetModalResult(mrCancel);
    event->accept();
    return;
  }
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    // The focused push button takes Enter; elsewhere the default button.
    auto usable = [this](QPushButton* b) { return b && b->window() == this && b->isVisible() && b->isEnabled(); };
    QPushButton* target = qobject_cast<QPushButton*>(QApplication::focusWidget());
    if (!usable(target)) {
      target = nullptr;
      for (QPushButton* b : findChildren<QPushButton*>())
        if (b->isDefault()) target = b;
    }
    if (usable(target)) {
      target->click();
      event->accept();
      return;
    }
  }
  TCustomdxPSForm::keyPressEvent(event);
}

void TAbstractdxReportLinkDesignWindow::closeEvent(QCloseEvent* event) {
  if (modalResult_ == mrNone) SetModalResult(mrCancel);
  TCustomdxPSForm::closeEvent(event);
}

// ---- TStandarddxReportLinkDesignWindow ----------------------------------------------

TStandarddxReportLinkDesignWindow::TStandarddxReportLinkDesignWindow() {
  auto make = [this](const char* name) {
    auto* button = new QPushButton(this);
    button->setObjectName(name);
    return button;
  };
  btnTitleProperties_ = make("btnTitleProperties");
  btnRestoreOriginal_ = make("btnRestoreOriginal");
  btnRestoreDefaults_ = make("btnRestoreDefaults");
  btnOK_ = make("btnOK");
  btnCancel_ = make("btnCancel");
  btnApply_ = make("btnApply");
  btnHelp_ = make("btnHelp");
  btnOK_->setDefault(true);
  setTabOrder(btnTitleProperties_, btnRestoreOriginal_);
  setTabOrder(btnRestoreOriginal_, btnRestoreDefaults_);
  setTabOrder(btnRestoreDefaults_, btnOK_);
  setTabOrder(btnOK_, btnCancel_);
  setTabOrder(btnCancel_, btnApply_);
  setTabOrder(btnApply_, btnHelp_);
  btnRestoreOriginal_->hide();
  btnRestoreDefaults_->hide();

  connect(btnOK_, &QPushButton::clicked, this, [this] { SetModalResult(mrOk); });
  connect(btnCancel_, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
  connect(btnApply_, &QPushButton::clicked, this, [this] { Apply(); });
  connect(btnTitleProperties_, &QPushButton::clicked, this, [this] { DoTitleProperties(); });
  connect(btnRestoreOriginal_, &QPushButton::clicked, this, [this] { DoRestoreOriginal(); });
  connect(btnRestoreDefaults_, &QPushButton::clicked, this, [this] { DoRestoreDefaults(); });
}

void TStandarddxReportLinkDesignWindow::EndUpdateControls() {
  if (updateCount_ > 0) --updateCount_;
}

void TStandarddxReportLinkDesignWindow::LoadStrings() {
  TAbstractdxReportLinkDesignWindow::LoadStrings();
  btnTitleProperties_->setText(ToQ(txt::TitleProperties));
  btnRestoreOriginal_->setText(ToQ(txt::RestoreOriginal));
  btnRestoreDefaults_->setText(ToQ(txt::RestoreDefaults));
  btnOK_->setText(ToQ(txt::OK));
  btnCancel_->setText(ToQ(txt::Cancel));
  btnApply_->setText(ToQ(txt::Apply));
  btnHelp_->setText(ToQ(txt::Help));
  btnHelp_->setVisible(HelpContext() != 0);
  const bool designTime = dxPSIsDesignTime;
  btnTitleProperties_->setVisible(!designTime && ReportLink() && ReportLink()->CanChangeTitle());
  btnRestoreOriginal_->setVisible(designTime);
  btnRestoreDefaults_->setVisible(designTime);
  LayoutButtons();
}

void TStandarddxReportLinkDesignWindow::LayoutButtons() {
  const int margin = MulDiv(ButtonsRightMargin(), logicalDpiX(), 96);
  const int top = height() - kButtonsBottomGap - kButtonHeight;
  // From right to left; without a help context OK, Cancel and Apply take
  // the places one further right.
  int right = width() - margin;
  QPushButton* order[] = {btnHelp_, btnApply_, btnCancel_, btnOK_};
  for (QPushButton* button : order) {
    if (button == btnHelp_ && HelpContext() == 0) continue;
    button->setGeometry(right - kButtonWidth, top, kButtonWidth, kButtonHeight);
    right -= kButtonWidth + kButtonsGap;
  }
  if (HelpContext() == 0) btnHelp_->setGeometry(width() - margin - kButtonWidth, top, kButtonWidth, kButtonHeight);
  btnTitleProperties_->setGeometry(margin, top, kWideButtonWidth, kButtonHeight);
  btnRestoreOriginal_->setGeometry(margin, top, kWideButtonWidth, kButtonHeight);
  btnRestoreDefaults_->setGeometry(margin + kWideButtonWidth + kButtonsGap, top, kWideButtonWidth, kButtonHeight);
}

QRect TStandarddxReportLinkDesignWindow::ClientAreaAboveButtons() const {
  const int margin = MulDiv(ButtonsRightMargin(), logicalDpiX(), 96);
  const int bottom = height() - kButtonsBottomGap - kButtonHeight - margin;
  return QRect(margin, margin, width() - 2 * margin, bottom - margin);
}

void TStandarddxReportLinkDesignWindow::resizeEvent(QResizeEvent* event) {
  TAbstractdxReportLinkDesignWindow::resizeEvent(event);
  LayoutButtons();
}

bool TStandarddxReportLinkDesignWindow::IsLinkEmbedded() const {
  return ReportLink() && dxPSAggregatingReportLink(ReportLink()) != nullptr;
}

bool TStandarddxReportLinkDesignWindow::CanApply() const {
  TBasedxReportLink* link = ReportLink();
  if (!link || !Modified() || Applied() || IsLinkEmbedded() || !link->DataProviderPresent()) return false;
  TCustomdxComponentPrinter* printer = link->ComponentPrinter();
  return printer && printer->CurrentLink() == link && printer->Previewing();
}

void TStandarddxReportLinkDesignWindow::UpdateControlsState() {
  btnApply_->setEnabled(CanApply());
  btnTitleProperties_->setEnabled(!IsLinkEmbedded());
}

void TStandarddxReportLinkDesignWindow::Apply() {
  TBasedxReportLink* link = ReportLink();
  if (!link || Initializing()) return;
  try {
    link->DesignerApplied();
  } catch (const std::exception& e) {
    Application::ShowException(e);
    FailWith(std::current_exception(), true);
    return;
  } catch (...) {
    FailWith(std::current_exception(), false);
    return;
  }
  MarkApplied();
}

void TStandarddxReportLinkDesignWindow::DoTitleProperties() {
  TBasedxReportLink* link = ReportLink();
  if (!link || Initializing() || IsLinkEmbedded()) return;
  if (link->ShowTitlePropertiesDialog()) MarkApplied();
}

void TStandarddxReportLinkDesignWindow::DoRestoreOriginal() {
  TBasedxReportLink* link = ReportLink();
  if (!link || Initializing()) return;
  link->RestoreFromOriginal();
  Initialize();
  SetModified(true);
}

void TStandarddxReportLinkDesignWindow::DoRestoreDefaults() {
  TBasedxReportLink* link = ReportLink();
  if (!link || Initializing()) return;
  link->RestoreDefaults();
  Initialize();
  SetModified(true);
}

// ---- Control trees ------------------------------------------------------------------

namespace {

class TdxNodeItem : public QTreeWidgetItem {
 public:
  TdxNodeObject Node;
};

QRect StateRectIn(const QRect& itemRect) {
  return QRect(itemRect.left() + kStateImageIndent, itemRect.top() + (itemRect.height() - kStateImageSize) / 2,
               kStateImageSize, kStateImageSize);
}

// Draws the state image in front of each caption and the root in bold.
class TdxPSControlsTreeDelegate : public QStyledItemDelegate {
 public:
  explicit TdxPSControlsTreeDelegate(TdxPSControlsTree* tree) : QStyledItemDelegate(tree), tree_(tree) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const TdxNodeObject* node = Node(index);
    const QRect stateRect = StateRectIn(option.rect);
    const QRect textRect = option.rect.adjusted(kStateImageIndent + kStateImageSize + 3, 0, 0, 0);
    QStyle* style = tree_->style();

    QStyleOptionViewItem check;
    check.rect = stateRect;
    check.state = QStyle::State_Enabled;
    const int state = node ? node->State : TdxNodeObject::Checked;
    check.state |= state == TdxNodeObject::Checked        ? QStyle::State_On
                   : state == TdxNodeObject::PartlyChecked ? QStyle::State_NoChange
                                                           : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, tree_);

    if (!index.parent().isValid()) {
      // The root: bold text (it cannot be toggled, but it is no disabled
      // item); highlighted while selected, in the text colour of its
      // background.
      QFont font = opt.font;
      font.setBold(true);
      const QFontMetrics metrics(font);
      QRect back = textRect;
      back.setWidth(std::min(textRect.width(), metrics.horizontalAdvance(opt.text) + 4));
      const bool highlighted = (opt.state & QStyle::State_Selected) && tree_->hasFocus();
      if (opt.state & QStyle::State_Selected)
        painter->fillRect(back, highlighted ? opt.palette.color(QPalette::Highlight) : ColorToQColor(clBtnFace));
      painter->save();
      painter->setFont(font);
      painter->setPen(highlighted ? opt.palette.color(QPalette::HighlightedText)
                                  : ColorToQColor((opt.state & QStyle::State_Selected) ? clBtnText : clWindowText));
      painter->drawText(back.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, opt.text);
      painter->restore();
      return;
    }
    opt.rect = textRect;
    QStyledItemDelegate::paint(painter, opt, index);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem opt(option);
    if (!index.parent().isValid()) opt.font.setBold(true);
    QSize size = QStyledItemDelegate::sizeHint(opt, index);
    size.rwidth() += kStateImageIndent + kStateImageSize + 3;
    size.setHeight(std::max(size.height(), kStateImageSize + 4));
    return size;
  }

 private:
  const TdxNodeObject* Node(const QModelIndex& index) const {
    return TdxPSControlsTree::NodeObject(tree_->ItemOf(index));
  }
  TdxPSControlsTree* tree_;
};

}  // namespace

TdxPSControlsTree::TdxPSControlsTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setContextMenuPolicy(Qt::NoContextMenu);
  setExpandsOnDoubleClick(true);
  setItemDelegate(new TdxPSControlsTreeDelegate(this));
}

TdxNodeObject* TdxPSControlsTree::NodeObject(const QTreeWidgetItem* item) {
  auto* node = dynamic_cast<const TdxNodeItem*>(item);
  return node ? const_cast<TdxNodeObject*>(&node->Node) : nullptr;
}

QTreeWidgetItem* TdxPSControlsTree::AddNode(QTreeWidgetItem* parent, QObject* component, const std::string& caption,
                                            int state) {
  auto* item = new TdxNodeItem;
  item->Node.Component = component;
  item->Node.Caption = caption;
  item->Node.State = state;
  item->setText(0, ToQ(caption));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  if (parent)
    parent->addChild(item);
  else
    addTopLevelItem(item);
  return item;
}

QTreeWidgetItem* TdxPSControlsTree::FindNode(const QObject* component) const {
  for (QTreeWidgetItemIterator it(const_cast<TdxPSControlsTree*>(this)); *it; ++it)
    if (const TdxNodeObject* node = NodeObject(*it); node && node->Component == component) return *it;
  return nullptr;
}

void TdxPSControlsTree::RefreshNode(QTreeWidgetItem* item) {
  if (item) viewport()->update(visualItemRect(item));
}

QRect TdxPSControlsTree::StateImageRect(const QTreeWidgetItem* item) const {
  return item ? StateRectIn(visualItemRect(item)) : QRect();
}

bool TdxPSControlsTree::ToggleAt(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return false;
  QTreeWidgetItem* item = itemAt(event->position().toPoint());
  if (!item || !StateImageRect(item).contains(event->position().toPoint())) return false;
  if (OnToggle) OnToggle(item);
  event->accept();
  return true;
}

void TdxPSControlsTree::mousePressEvent(QMouseEvent* event) {
  if (!ToggleAt(event)) QTreeWidget::mousePressEvent(event);
}

void TdxPSControlsTree::mouseDoubleClickEvent(QMouseEvent* event) {
  // A quick second click on a state image toggles again.
  if (!ToggleAt(event)) QTreeWidget::mouseDoubleClickEvent(event);
}

void TdxPSControlsTree::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    if (QTreeWidgetItem* item = itemAt(event->position().toPoint())) setCurrentItem(item);
    setFocus(Qt::MouseFocusReason);
    if (OnContextMenu) OnContextMenu(currentItem(), viewport()->mapToGlobal(event->position().toPoint()));
    event->accept();
    return;
  }
  QTreeWidget::mouseReleaseEvent(event);
}

void TdxPSControlsTree::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    if (currentItem() && OnToggle) OnToggle(currentItem());
    event->accept();  // not typed into the incremental search either
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

// ---- TdxfmCustomContainerDesignWindow ----------------------------------------------

namespace {
int& RememberedActivePage() {
  static int page = 0;
  return page;
}
constexpr int kFormWidth = 590;
constexpr int kFormHeight = 342;
}  // namespace

TdxfmCustomContainerDesignWindow::TdxfmCustomContainerDesignWindow() {
  setObjectName("TDXFMCUSTOMCONTAINERDESIGNWINDOW");
  QFont formFont("Tahoma");
  formFont.setPixelSize(11);
  setFont(formFont);
  setMinimumSize(kFormWidth, kFormHeight);
  resize(kFormWidth, kFormHeight);

  pageControl_ = new QTabWidget(this);
  pageControl_->setObjectName("PageControl1");
  pageControl_->setGeometry(ClientAreaAboveButtons());
  auto sheet = [this](const char* name) {
    auto* page = new QWidget;
    page->setObjectName(name);
    pageControl_->addTab(page, QString());
    return page;
  };
  tshOptions_ = sheet("tshOptions");
  tshReportLinks_ = sheet("tshReportLinks");
  tshControls_ = sheet("tshControls");
  tshHiddenControls_ = sheet("tshHiddenControls");
  const int pageWidth = pageControl_->width() - 8;
  const int pageHeight = pageControl_->height() - 32;

  // Options: three groups, each headed by its label, a picture and a line.
  MakeGroupHeader(tshOptions_, txt::Transparents, 0, 8, pageWidth - 16);
  chbxTransparentRoot_ = MakeCheckBox(tshOptions_, txt::TransparentRoot, 32, 30, tagTransparentRoot, true);
  chbxTransparentControls_ = MakeCheckBox(tshOptions_, txt::TransparentControls, 32, 50, tagTransparentControls, true);
  chbxTransparentContainers_ =
      MakeCheckBox(tshOptions_, txt::TransparentContainers, 32, 70, tagTransparentContainers, true);
  chbxTransparentGraphics_ = MakeCheckBox(tshOptions_, txt::TransparentGraphics, 32, 90, tagTransparentGraphics, true);
  chbxTransparentGroups_ = MakeCheckBox(tshOptions_, txt::TransparentGroups, 200, 30, -1, true);
  chbxTransparentItems_ = MakeCheckBox(tshOptions_, txt::TransparentItems, 200, 50, -1, true);
  chbxTransparentGroups_->hide();
  chbxTransparentItems_->hide();

  MakeGroupHeader(tshOptions_, txt::Pagination, 1, 118, pageWidth - 16);
  chbxPaginateByControlDetails_ =
      MakeCheckBox(tshOptions_, txt::PaginateByControlDetails, 32, 140, tagPaginateByControlDetails, false);
  chbxPaginateByControls_ = MakeCheckBox(tshOptions_, txt::PaginateByControls, 32, 160, tagPaginateByControls, false);
  chbxPaginateByGroups_ = MakeCheckBox(tshOptions_, txt::PaginateByGroups, 200, 140, -1, false);
  chbxPaginateByItems_ = MakeCheckBox(tshOptions_, txt::PaginateByItems, 200, 160, -1, false);
  chbxPaginateByGroups_->hide();
  chbxPaginateByItems_->hide();

  sizeGroup_ = new QWidget(tshOptions_);
  sizeGroup_->setObjectName("SizeGroup");
  sizeGroup_->setGeometry(0, 188, pageWidth, 50);
  MakeGroupHeader(sizeGroup_, txt::Size, 2, 0, pageWidth - 16);
  chbxAutoWidth_ = MakeCheckBox(sizeGroup_, txt::AutoWidth, 32, 22, -1, false);
  sizeGroup_->hide();

  // Aggregated links.
  const int sideLeft = pageWidth - 8 - 95;
  lbxLinks_ = new QListWidget(tshReportLinks_);
  lbxLinks_->setObjectName("lbxLinks");
  lbxLinks_->setGeometry(8, 8, sideLeft - 16, pageHeight - 16);
  btnDesign_ = new QPushButton(tshReportLinks_);
  btnDesign_->setObjectName("btnDesign");
  btnDesign_->setGeometry(sideLeft, 8, 95, kButtonHeight);
  connect(lbxLinks_, &QListWidget::currentRowChanged, this, [this] { UpdateControlsState(); });
  connect(lbxLinks_, &QListWidget::itemDoubleClicked, this, [this] { DesignSelectedLink(); });
  connect(btnDesign_, &QPushButton::clicked, this, [this] { DesignSelectedLink(); });

  // The two control trees.
  auto makeTree = [&](QWidget* page, const char* name, const char* checkAllName, const char* expandAllName,
                      QPushButton*& checkAll, QPushButton*& expandAll) {
    auto* tree = new TdxPSControlsTree(page);
    tree->setObjectName(name);
    tree->setGeometry(8, 8, sideLeft - 16, pageHeight - 16);
    checkAll = new QPushButton(page);
    checkAll->setObjectName(checkAllName);
    checkAll->setGeometry(sideLeft, 8, 95, kButtonHeight);
    expandAll = new QPushButton(page);
    expandAll->setObjectName(expandAllName);
    expandAll->setGeometry(sideLeft, 8 + kButtonHeight + 6, 95, kButtonHeight);
    tree->OnToggle = [this, tree](QTreeWidgetItem* item) { ToggleNode(tree, item); };
    tree->OnContextMenu = [this, tree](QTreeWidgetItem*, QPoint at) { ShowControlsMenu(tree, at); };
    connect(checkAll, &QPushButton::clicked, this, [this, tree] { CheckAll(tree); });
    connect(expandAll, &QPushButton::clicked, this, [this, tree] { ExpandAll(tree); });
    return tree;
  };
  tvControls_ = makeTree(tshControls_, "tvControls", "btnControlsCheckAll", "btnControlsExpandAll",
                         btnControlsCheckAll_, btnControlsExpandAll_);
  tvHiddenControls_ = makeTree(tshHiddenControls_, "tvHiddenControls", "btnHiddenControlsCheckAll",
                               "btnHiddenControlsExpandAll", btnHiddenControlsCheckAll_, btnHiddenControlsExpandAll_);

  // The pop-up menu of the trees.
  pmControls_ = new QMenu(this);
  pmControls_->setObjectName("pmControls");
  miCheckAll_ = pmControls_->addAction(QString());
  pmControls_->addSeparator();
  miCheckStandard_ = pmControls_->addAction(QString());
  miUncheckStandard_ = pmControls_->addAction(QString());
  miStandardSeparator_ = pmControls_->addSeparator();
  miCheckAllChildren_ = pmControls_->addAction(QString());
  miUncheckAllChildren_ = pmControls_->addAction(QString());
  pmControls_->addSeparator();
  miExpandAll_ = pmControls_->addAction(QString());
  miCheckStandard_->setVisible(false);
  miUncheckStandard_->setVisible(false);
  miStandardSeparator_->setVisible(false);
  connect(miCheckAll_, &QAction::triggered, this, [this] { CheckAll(menuTree_); });
  connect(miCheckStandard_, &QAction::triggered, this, [this] { SetStandardControlsChecked(true); });
  connect(miUncheckStandard_, &QAction::triggered, this, [this] { SetStandardControlsChecked(false); });
  connect(miCheckAllChildren_, &QAction::triggered, this, [this] {
    if (menuTree_) SetNodeStateRecursive(menuTree_, menuTree_->currentItem(), TdxNodeObject::Checked);
  });
  connect(miUncheckAllChildren_, &QAction::triggered, this, [this] {
    if (menuTree_) SetNodeStateRecursive(menuTree_, menuTree_->currentItem(), TdxNodeObject::Unchecked);
  });
  connect(miExpandAll_, &QAction::triggered, this, [this] { ExpandAll(menuTree_); });
  connect(pmControls_, &QMenu::aboutToShow, this, [this] { UpdateControlsMenu(menuTree_); });

  connect(pageControl_, &QTabWidget::currentChanged, this, [this](int index) { PageChanged(index); });
}

TdxfmCustomContainerDesignWindow::~TdxfmCustomContainerDesignWindow() = default;

TdxCustomContainerReportLink* TdxfmCustomContainerDesignWindow::ContainerLink() const {
  return dynamic_cast<TdxCustomContainerReportLink*>(ReportLink());
}

QWidget* TdxfmCustomContainerDesignWindow::MakeGroupHeader(QWidget* parent, const char* caption, int kind, int top,
                                                           int width) {
  auto* header = new QWidget(parent);
  header->setGeometry(8, top, width, 18);
  auto* label = new QLabel(ToQ(caption), header);
  label->setObjectName(QStringLiteral("lbl") + ToQ(caption));
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  label->adjustSize();
  label->move(0, (18 - label->height()) / 2);
  auto* picture = new QLabel(header);
  picture->setPixmap(GroupPicture(kind));
  picture->setGeometry(label->width() + 6, 1, 16, 16);
  auto* line = new QFrame(header);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  const int lineLeft = label->width() + 6 + 16 + 6;
  line->setGeometry(lineLeft, 8, std::max(width - lineLeft, 0), 2);
  return header;
}

QCheckBox* TdxfmCustomContainerDesignWindow::MakeCheckBox(QWidget* parent, const char* caption, int left, int top,
                                                          int tag, bool transparent) {
  auto* box = new QCheckBox(ToQ(caption), parent);
  box->setGeometry(left, top, 160, 18);
  box->setProperty("tag", tag);
  if (tag >= 0)
    connect(box, &QCheckBox::clicked, this, [this, tag, transparent](bool checked) {
      if (transparent)
        TransparentClicked(tag, checked);
      else
        PaginationClicked(tag, checked);
    });
  return box;
}

bool TdxfmCustomContainerDesignWindow::IsTabVisible(QWidget* sheet) const {
  const int index = pageControl_->indexOf(sheet);
  return index >= 0 && pageControl_->isTabVisible(index);
}

void TdxfmCustomContainerDesignWindow::ActivateTab(QWidget* sheet) {
  if (IsTabVisible(sheet)) pageControl_->setCurrentWidget(sheet);
}

// ---- Texts and values ----

void TdxfmCustomContainerDesignWindow::LoadStrings() {
  TStandarddxReportLinkDesignWindow::LoadStrings();
  pageControl_->setGeometry(ClientAreaAboveButtons());
  pageControl_->setTabText(pageControl_->indexOf(tshOptions_), ToQ(txt::TabOptions));
  pageControl_->setTabText(pageControl_->indexOf(tshReportLinks_), ToQ(txt::TabReportLinks));
  pageControl_->setTabText(pageControl_->indexOf(tshControls_), ToQ(txt::TabControls));
  pageControl_->setTabText(pageControl_->indexOf(tshHiddenControls_), ToQ(txt::TabHiddenControls));
  btnDesign_->setText(ToQ(txt::Design));
  for (QPushButton* b : {btnControlsCheckAll_, btnHiddenControlsCheckAll_})
    b->setText(ToQ(txt::CheckAll));
  for (QPushButton* b : {btnControlsExpandAll_, btnHiddenControlsExpandAll_})
    b->setText(ToQ(txt::ExpandAll));
  miCheckAll_->setText(ToQ(txt::CheckAll));
  miCheckStandard_->setText(ToQ(txt::CheckStandardControls));
  miUncheckStandard_->setText(ToQ(txt::UncheckStandardControls));
  miCheckAllChildren_->setText(ToQ(txt::CheckAllChildren));
  miUncheckAllChildren_->setText(ToQ(txt::UncheckAllChildren));
  miExpandAll_->setText(ToQ(txt::ExpandAll));
}

void TdxfmCustomContainerDesignWindow::LoadValues() {
  RefreshControlsTree();
  RefreshHiddenControlsTree();
  hiddenControlsChanged_ = false;
  LoadAggregatedLinks();
  if (TdxCustomContainerReportLink* link = ContainerLink()) {
    chbxPaginateByControlDetails_->setChecked(link->OptionsPagination().ControlDetails());
    chbxPaginateByControls_->setChecked(link->OptionsPagination().Controls());
    chbxTransparentContainers_->setChecked(link->OptionsTransparent().Containers());
    chbxTransparentControls_->setChecked(link->OptionsTransparent().Controls());
    chbxTransparentRoot_->setChecked(link->OptionsTransparent().Root());
    chbxTransparentGraphics_->setChecked(link->OptionsTransparent().Graphics());
  }
  UpdateTabsVisibility();
}

void TdxfmCustomContainerDesignWindow::AfterInitialize() {
  // The tab that was active when a window of this kind was last used.
  QWidget* remembered = pageControl_->widget(RememberedActivePage());
  if (remembered && IsTabVisible(remembered))
    pageControl_->setCurrentWidget(remembered);
  else if (!IsTabVisible(pageControl_->currentWidget()))
    pageControl_->setCurrentWidget(tshOptions_);
  TStandarddxReportLinkDesignWindow::AfterInitialize();
}

void TdxfmCustomContainerDesignWindow::UpdateTabsVisibility() {
  TdxCustomContainerReportLink* link = ContainerLink();
  bool links = false, controls = false;
  if (link) {
    const auto& tabs = link->OptionsDesignerTabs();
    links = tabs.ReportLinks() && (lbxLinks_->count() > 0 || !tabs.AutoHideReportLinksIfEmpty());
    controls = tabs.Controls();
  }
  pageControl_->setTabVisible(pageControl_->indexOf(tshReportLinks_), links);
  pageControl_->setTabVisible(pageControl_->indexOf(tshControls_), controls);
  pageControl_->setTabVisible(pageControl_->indexOf(tshHiddenControls_), dxPSIsDesignTime);
}

void TdxfmCustomContainerDesignWindow::LoadAggregatedLinks() {
  lbxLinks_->clear();
  designableLinks_.clear();
  TdxCustomContainerReportLink* link = ContainerLink();
  if (!link) return;
  for (int i = 0; i < link->AggregatedReportLinkCount(); ++i) {
    TBasedxReportLink* aggregated = link->AggregatedReportLinks(i);
    if (!aggregated || !aggregated->CanDesign()) continue;
    QString text = ToQ(aggregated->Caption());
    auto* item = new QListWidgetItem(lbxLinks_);
    if (dxPSIsDesignTime && aggregated->Component()) {
      text += QStringLiteral(" {") + aggregated->Component()->objectName() + QStringLiteral("}");
      item->setForeground(Qt::blue);
    }
    item->setText(text);
    designableLinks_.push_back(aggregated);
  }
}

void TdxfmCustomContainerDesignWindow::UpdateControlsState() {
  TStandarddxReportLinkDesignWindow::UpdateControlsState();
  for (TdxPSControlsTree* tree : {tvControls_, tvHiddenControls_}) {
    QTreeWidgetItem* root = tree->Root();
    tree->setEnabled(root != nullptr);
    const bool unchecked = HasUncheckedNode(tree);
    const bool children = root && root->childCount() > 0;
    (tree == tvControls_ ? btnControlsCheckAll_ : btnHiddenControlsCheckAll_)->setEnabled(unchecked);
    (tree == tvControls_ ? btnControlsExpandAll_ : btnHiddenControlsExpandAll_)->setEnabled(children);
  }
  btnDesign_->setEnabled(lbxLinks_->currentRow() >= 0);
}

// ---- Option check boxes ----

void TdxfmCustomContainerDesignWindow::TransparentClicked(int tag, bool checked) {
  TdxCustomContainerReportLink* link = ContainerLink();
  if (!link || Initializing() || IsControlsUpdateLocked()) return;
  auto& options = link->OptionsTransparent();
  switch (tag) {
    case tagTransparentRoot: options.SetRoot(checked); break;
    case tagTransparentControls: options.SetControls(checked); break;
    case tagTransparentContainers: options.SetContainers(checked); break;
    case tagTransparentGraphics: options.SetGraphics(checked); break;
    default: return;
  }
  SetModified(true);
}

void TdxfmCustomContainerDesignWindow::PaginationClicked(int tag, bool checked) {
  TdxCustomContainerReportLink* link = ContainerLink();
  if (!link || Initializing() || IsControlsUpdateLocked()) return;
  auto& options = link->OptionsPagination();
  switch (tag) {
    case tagPaginateByControlDetails: options.SetControlDetails(checked); break;
    case tagPaginateByControls: options.SetControls(checked); break;
    default: return;
  }
  SetModified(true);
}

// ---- Trees ----

std::string TdxfmCustomContainerDesignWindow::NodeCaption(const std::string& text) {
  QString caption = ToQ(text);
  if (caption.size() > kMaxCaptionLength) {
    caption.truncate(kMaxCaptionLength);
    caption.replace(kMaxCaptionLength - 3, 3, QStringLiteral("..."));
  }
  QString result;
  result.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] != u'&') {
      result += caption[i];
    } else if (i + 1 < caption.size() && caption[i + 1] == u'&') {
      result += u'&';
      ++i;
    }
  }
  return FromQ(result);
}

TdxfmCustomContainerDesignWindow::TreeKind TdxfmCustomContainerDesignWindow::KindOf(
    const TdxPSControlsTree* tree) const {
  return tree == tvHiddenControls_ ? tkHiddenControls : tkControls;
}

void TdxfmCustomContainerDesignWindow::RefreshControlsTree() { BuildTree(tvControls_, tkControls); }

void TdxfmCustomContainerDesignWindow::RefreshHiddenControlsTree() { BuildTree(tvHiddenControls_, tkHiddenControls); }

void TdxfmCustomContainerDesignWindow::BuildTree(TdxPSControlsTree* tree, TreeKind kind) {
  tree->setUpdatesEnabled(false);
  ScopeExit unlock([tree] { tree->setUpdatesEnabled(true); });
  tree->clear();
  TdxCustomContainerReportLink* link = ContainerLink();
  auto* root = link ? qobject_cast<QWidget*>(link->Component()) : nullptr;
  if (!root) return;
  QTreeWidgetItem* rootItem =
      tree->AddNode(nullptr, root, NodeCaption(link->ComponentCaption(root)), TdxNodeObject::Checked);
  AddChildNodes(tree, kind, rootItem, root);
  EvaluateStatesFromLeaves(rootItem);
  rootItem->setExpanded(true);
  tree->setCurrentItem(rootItem);
}

void TdxfmCustomContainerDesignWindow::AddChildNodes(TdxPSControlsTree* tree, TreeKind kind,
                                                     QTreeWidgetItem* parentItem, QWidget* control) {
  TdxCustomContainerReportLink* link = ContainerLink();
  if (!link || !dxIsWinControl(control)) return;
  // The accepted children are collected first: the producer object is
  // shared and works on the nested controls once we descend.
  std::vector<QWidget*> children;
  try {
    TdxPSCustomProducer* producer = link->ProducerFor(control);
    for (QWidget* child : dxControlChildren(control))
      if (producer->IsChildAccepted(child) && (kind == tkHiddenControls || !link->IsHiddenComponent(child)))
        children.push_back(child);
  } catch (const EdxPrintEngine&) {
    return;  // a control without a producer shows no children
  }
  for (QWidget* child : children) {
    const bool listed = kind == tkControls ? link->IsExcludedComponent(child) : link->IsHiddenComponent(child);
    QTreeWidgetItem* item = tree->AddNode(parentItem, child, NodeCaption(link->ComponentCaption(child)),
                                          listed ? TdxNodeObject::Unchecked : TdxNodeObject::Checked);
    AddChildNodes(tree, kind, item, child);
  }
}

void TdxfmCustomContainerDesignWindow::EvaluateStatesFromLeaves(QTreeWidgetItem* item) {
  TdxNodeObject* node = TdxPSControlsTree::NodeObject(item);
  if (!node) return;
  bool allChecked = true;
  for (int i = 0; i < item->childCount(); ++i) {
    EvaluateStatesFromLeaves(item->child(i));
    if (TdxPSControlsTree::NodeObject(item->child(i))->State != TdxNodeObject::Checked) allChecked = false;
  }
  if (node->State == TdxNodeObject::Checked && !allChecked) node->State = TdxNodeObject::PartlyChecked;
}

void TdxfmCustomContainerDesignWindow::ApplyNodeState(TdxPSControlsTree* tree, QTreeWidgetItem* item, int state) {
  TdxNodeObject* node = TdxPSControlsTree::NodeObject(item);
  if (!node) return;
  node->State = state;
  tree->RefreshNode(item);
  TdxCustomContainerReportLink* link = ContainerLink();
  if (!link || item == tree->Root() || !node->Component) return;
  // A node that is not unchecked is printed (its own part at least): its
  // component leaves the list; an unchecked one is entered.
  if (KindOf(tree) == tkControls) {
    if (state == TdxNodeObject::Unchecked)
      link->AddExcludedComponent(node->Component);
    else
      link->RemoveExcludedComponent(node->Component);
  } else {
    if (state == TdxNodeObject::Unchecked)
      link->AddHiddenComponent(node->Component);
    else
      link->RemoveHiddenComponent(node->Component);
  }
}

void TdxfmCustomContainerDesignWindow::SetSubtreeState(TdxPSControlsTree* tree, QTreeWidgetItem* item, int state) {
  ApplyNodeState(tree, item, state);
  for (int i = 0; i < item->childCount(); ++i) SetSubtreeState(tree, item->child(i), state);
}

namespace {
bool AllDescendantsChecked(const QTreeWidgetItem* item) {
  for (int i = 0; i < item->childCount(); ++i) {
    const TdxNodeObject* node = TdxPSControlsTree::NodeObject(item->child(i));
    if (!node || node->State != TdxNodeObject::Checked || !AllDescendantsChecked(item->child(i))) return false;
  }
  return true;
}
}  // namespace

void TdxfmCustomContainerDesignWindow::ReevaluateAncestors(TdxPSControlsTree* tree, QTreeWidgetItem* item) {
  // A control that is printed needs its containers printed as well, so an
  // ancestor never stays unchecked (excluded) over a node that is not.
  for (QTreeWidgetItem* parent = item->parent(); parent; parent = parent->parent())
    ApplyNodeState(tree, parent, AllDescendantsChecked(parent) ? TdxNodeObject::Checked : TdxNodeObject::PartlyChecked);
}

void TdxfmCustomContainerDesignWindow::ToggleNode(TdxPSControlsTree* tree, QTreeWidgetItem* item) {
  if (!tree || !item || Initializing() || item == tree->Root()) return;
  TdxNodeObject* node = TdxPSControlsTree::NodeObject(item);
  if (!node) return;
  const int state = node->State == TdxNodeObject::Checked ? TdxNodeObject::Unchecked : TdxNodeObject::Checked;
  SetSubtreeState(tree, item, state);
  ReevaluateAncestors(tree, item);
  TreeChanged(tree);
}

void TdxfmCustomContainerDesignWindow::SetNodeStateRecursive(TdxPSControlsTree* tree, QTreeWidgetItem* item,
                                                             int state) {
  if (!tree || !item || Initializing()) return;
  dxPSStartWait();
  ScopeExit stopWait([] { dxPSStopWait(); });
  tree->setUpdatesEnabled(false);
  ScopeExit unlock([tree] { tree->setUpdatesEnabled(true); });
  if (item == tree->Root()) {
    for (int i = 0; i < item->childCount(); ++i) SetSubtreeState(tree, item->child(i), state);
    ApplyNodeState(tree, item, AllDescendantsChecked(item) ? TdxNodeObject::Checked : TdxNodeObject::PartlyChecked);
  } else {
    SetSubtreeState(tree, item, state);
    ReevaluateAncestors(tree, item);
  }
  TreeChanged(tree);
}

void TdxfmCustomContainerDesignWindow::CheckAll(TdxPSControlsTree* tree) {
  if (tree) SetNodeStateRecursive(tree, tree->Root(), TdxNodeObject::Checked);
}

void TdxfmCustomContainerDesignWindow::ExpandAll(TdxPSControlsTree* tree) {
  if (!tree || !tree->Root()) return;
  dxPSStartWait();
  ScopeExit stopWait([] { dxPSStopWait(); });
  tree->setUpdatesEnabled(false);
  ScopeExit unlock([tree] { tree->setUpdatesEnabled(true); });
  tree->expandAll();
}

void TdxfmCustomContainerDesignWindow::SetStandardControlsChecked(bool checked) {
  if (!menuTree_ || Initializing()) return;
  const int state = checked ? TdxNodeObject::Checked : TdxNodeObject::Unchecked;
  bool changed = false;
  for (QTreeWidgetItemIterator it(menuTree_); *it; ++it) {
    TdxNodeObject* node = TdxPSControlsTree::NodeObject(*it);
    if (!node || *it == menuTree_->Root() || !IsStandardControl(node->Component)) continue;
    SetSubtreeState(menuTree_, *it, state);
    ReevaluateAncestors(menuTree_, *it);
    changed = true;
  }
  if (changed) TreeChanged(menuTree_);
}

bool TdxfmCustomContainerDesignWindow::HasUncheckedNode(const TdxPSControlsTree* tree) const {
  for (QTreeWidgetItemIterator it(const_cast<TdxPSControlsTree*>(tree)); *it; ++it)
    if (const TdxNodeObject* node = TdxPSControlsTree::NodeObject(*it); node && node->State != TdxNodeObject::Checked)
      return true;
  return false;
}

void TdxfmCustomContainerDesignWindow::TreeChanged(TdxPSControlsTree* tree) {
  if (KindOf(tree) == tkHiddenControls) hiddenControlsChanged_ = true;
  tree->viewport()->update();
  SetModified(true);
}

void TdxfmCustomContainerDesignWindow::PageChanged(int index) {
  if (Initializing()) return;
  RememberedActivePage() = index;
  if (pageControl_->widget(index) == tshControls_ && hiddenControlsChanged_) {
    hiddenControlsChanged_ = false;
    RefreshControlsTree();
    UpdateControlsState();
  }
}

void TdxfmCustomContainerDesignWindow::UpdateControlsMenu(TdxPSControlsTree* tree) {
  QTreeWidgetItem* root = tree ? tree->Root() : nullptr;
  QTreeWidgetItem* selected = tree ? tree->currentItem() : nullptr;
  bool uncheckedChild = false, checkedChild = false;
  if (selected)
    for (int i = 0; i < selected->childCount(); ++i) {
      const TdxNodeObject* node = TdxPSControlsTree::NodeObject(selected->child(i));
      if (!node) continue;
      if (node->State != TdxNodeObject::Checked) uncheckedChild = true;
      if (node->State != TdxNodeObject::Unchecked) checkedChild = true;
    }
  miCheckAll_->setEnabled(tree && HasUncheckedNode(tree));
  miExpandAll_->setEnabled(root && root->childCount() > 0);
  miCheckAllChildren_->setEnabled(uncheckedChild);
  miUncheckAllChildren_->setEnabled(checkedChild);
}

void TdxfmCustomContainerDesignWindow::ShowControlsMenu(TdxPSControlsTree* tree, QPoint globalPos) {
  if (!tree) return;
  menuTree_ = tree;
  pmControls_->popup(globalPos);
}

void TdxfmCustomContainerDesignWindow::DesignSelectedLink() {
  const int row = lbxLinks_->currentRow();
  if (row < 0 || row >= int(designableLinks_.size()) || Initializing()) return;
  if (dxPSDesignReportLink(*designableLinks_[std::size_t(row)])) SetModified(true);
}

// ---- Design operation ----------------------------------------------------------------

bool dxPSDesignReportLink(TBasedxReportLink& link) {
  TdxClass windowClass = link.DesignWindowClass();
  if (!windowClass || !windowClass->CanCreate()) return false;
  std::unique_ptr<TAbstractdxReportLinkDesignWindow> window =
      dxCreateObject<TAbstractdxReportLinkDesignWindow>(windowClass);

  // The values a cancel goes back to.
  std::unique_ptr<TBasedxReportLink> saved;
  if (link.ClassType()->CanCreate()) {
    saved = dxCreateObject<TBasedxReportLink>(link.ClassType());
    saved->Assign(link);
  }
  window->SetReportLink(&link);
  window->SetSavedValues(saved.get());

  TCustomdxComponentPrinter* printer = link.ComponentPrinter();
  if (printer) printer->DoBeforeDesignReport(&link, window.get());
  bool result = false;
  try {
    result = window->Execute();
  } catch (...) {  // not a guard: an error already shown leaves as EAbort
    // The window ended on an error (a failing apply): the link goes back to
    // the values of its last good report, which is built again.
    const bool restore = !window->Applied();
    const bool reported = window->ErrorReported();
    window.reset();
    if (restore && saved) {
      link.Assign(*saved);
      if (printer && link.DataProviderPresent()) {
        try {
          printer->RebuildLink(&link);
        } catch (...) {
        }
      }
    }
    // An error the window has shown already is not shown a second time.
    if (reported) throw EAbort();
    throw;
  }
  const bool applied = window->Applied();
  window.reset();

  bool done = result;
  if (printer) printer->DoDesignReport(&link, done);
  if (done && printer && link.DataProviderPresent()) printer->RebuildLink(&link);
  if (!result && !applied && saved) link.Assign(*saved);
  return result;
}

void dxPSRegisterContainerDesignWindow() {
  if (dxPSContainerDesignWindowClass() == TdxfmCustomContainerDesignWindow::StaticClass()) return;
  dxPSRegisterContainerLinkClasses();
  TdxClass link = TdxCustomContainerReportLink::StaticClass();
  TdxClass window = TdxfmCustomContainerDesignWindow::StaticClass();
  for (const TdxClass* cls = ContainerComponentClasses(); *cls; ++cls) dxPSUnregisterReportLink(link, *cls, nullptr);
  for (const TdxClass* cls = ContainerComponentClasses(); *cls; ++cls) dxPSRegisterReportLink(link, *cls, window);
  dxPSSetContainerDesignWindowClass(window);
}

void dxPSUnregisterContainerDesignWindow() {
  if (dxPSContainerDesignWindowClass() != TdxfmCustomContainerDesignWindow::StaticClass()) return;
  TdxClass link = TdxCustomContainerReportLink::StaticClass();
  TdxClass window = TdxfmCustomContainerDesignWindow::StaticClass();
  for (const TdxClass* cls = ContainerComponentClasses(); *cls; ++cls) dxPSUnregisterReportLink(link, *cls, window);
  for (const TdxClass* cls = ContainerComponentClasses(); *cls; ++cls) dxPSRegisterReportLink(link, *cls, nullptr);
  dxPSSetContainerDesignWindowClass(nullptr);
}
