// The design windows of report links and the "Format Report" window of the
// container report link.
//
//   TAbstractdxReportLinkDesignWindow   the link being designed, caption and
//                                       help, the Modified and Applied flags,
//                                       the modal run
//   TStandarddxReportLinkDesignWindow   the button row: "Title Properties..."
//                                       (or the two restore buttons inside a
//                                       design environment), OK, Cancel,
//                                       Apply, Help
//   TdxfmCustomContainerDesignWindow    the container link's window: options
//                                       (transparency, pagination), the tree
//                                       of printed controls, the aggregated
//                                       links and (design environment only)
//                                       the tree of hidden controls
//
// The window edits the link directly. The link's design operation
// (dxPSDesignReportLink, run by the component printer's DesignReport) keeps a
// copy of the link's values and takes them back when the window is closed
// without OK and without its changes applied.
//
// Design window classes are engine classes (DX_CLASS) so that the link
// registry can name them; dxPSRegisterContainerDesignWindow enters this one
// for the container link's component classes.
#pragma once

#include <QPointer>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineWindow.h"
#include "report/ClassInfo.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QAction;
class QPushButton;
class QTabWidget;
class TBasedxReportLink;
class TdxCustomContainerReportLink;

namespace dxPSDesignWindowTexts {
inline constexpr const char* Caption = "Format Report";
inline constexpr const char* TitleProperties = "Title Properties...";
inline constexpr const char* RestoreOriginal = "Restore &Original";
inline constexpr const char* RestoreDefaults = "&Restore Defaults";
inline constexpr const char* OK = "OK";
inline constexpr const char* Cancel = "Cancel";
inline constexpr const char* Apply = "&Apply";
inline constexpr const char* Help = "&Help";
// The container link's window.
inline constexpr const char* TabOptions = "Options";
inline constexpr const char* TabReportLinks = "Aggregated Designers";
inline constexpr const char* TabControls = "Controls";
inline constexpr const char* TabHiddenControls = "Hidden Controls";
inline constexpr const char* Transparents = "Transparents";
inline constexpr const char* TransparentRoot = "&Root";
inline constexpr const char* TransparentControls = "&Controls";
inline constexpr const char* TransparentContainers = "C&ontainers";
inline constexpr const char* TransparentGraphics = "&Graphics";
inline constexpr const char* TransparentGroups = "&Groups";
inline constexpr const char* TransparentItems = "&Items";
inline constexpr const char* Pagination = "Pagination";
inline constexpr const char* PaginateByControlDetails = "Control Details";
inline constexpr const char* PaginateByControls = "Controls";
inline constexpr const char* PaginateByGroups = "Groups";
inline constexpr const char* PaginateByItems = "Items";
inline constexpr const char* Size = "Size";
inline constexpr const char* AutoWidth = "Auto &Width";
inline constexpr const char* Design = "D&esign...";
inline constexpr const char* CheckAll = "Check &All";
inline constexpr const char* ExpandAll = "E&xpand All";
inline constexpr const char* CheckAllChildren = "Check All &Children";
inline constexpr const char* UncheckAllChildren = "Uncheck &All Children";
inline constexpr const char* CheckStandardControls = "Check &Standard Controls";
inline constexpr const char* UncheckStandardControls = "Uncheck S&tandard Controls";
}  // namespace dxPSDesignWindowTexts

// ---- Base windows -------------------------------------------------------------------

class TAbstractdxReportLinkDesignWindow : public TCustomdxPSForm, public TdxObject {
  DX_CLASS(TAbstractdxReportLinkDesignWindow, TdxObject)

 public:
  TAbstractdxReportLinkDesignWindow();
  ~TAbstractdxReportLinkDesignWindow() override;

  TBasedxReportLink* ReportLink() const { return link_; }
  // The link to design; the window is initialised for it when it runs (or
  // by Initialize).
  void SetReportLink(TBasedxReportLink* link) { link_ = link; }
  // Sets the texts and loads the link's values (with updates locked).
  void Initialize();

  // A change since opening or since the last apply; setting it clears
  // Applied.
  bool Modified() const { return modified_; }
  void SetModified(bool value);
  bool Applied() const { return applied_; }
  void SetApplied(bool value);
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int value) { helpContext_ = value; }
  // Set while the window initialises: clicks then change nothing.
  bool Initializing() const { return initializing_; }

  // Initialises the window (once), shows it modally and answers whether it
  // was closed with OK. An error that ended the window (a failing apply) is
  // passed on after the window has closed.
  bool Execute();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result);
  bool IsRunning() const { return IsInRun(); }
  // Whether the error that ended the last run has been shown already.
  bool ErrorReported() const { return errorReported_; }

  // Where the link's values are kept while the window runs: every apply
  // takes the link's values into it, so that the values a cancel restores
  // are those of the report last built.
  void SetSavedValues(TBasedxReportLink* copy) { savedValues_ = copy; }

  std::string FormClassName() const override { return "TAbstractdxReportLinkDesignWindow"; }
  bool Sizeable() const override { return false; }

 protected:
  virtual void LoadStrings();
  virtual void LoadValues() {}
  // Enabling of the controls after every change.
  virtual void UpdateControlsState() {}
  virtual void BeforeInitialize() {}
  virtual void AfterInitialize() {}
  // Marks the link's changes as applied and keeps its values as the ones
  // a cancel goes back to.
  void MarkApplied();
  // Records an error that ends the window with Cancel; Execute passes it on.
  // reported: the error has been shown to the user.
  void FailWith(std::exception_ptr error, bool reported);

  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TBasedxReportLink* link_ = nullptr;
  TBasedxReportLink* savedValues_ = nullptr;
  bool modified_ = false;
  bool applied_ = false;
  bool initializing_ = false;
  bool initialized_ = false;
  int helpContext_ = 0;
  int modalResult_ = mrNone;
  std::exception_ptr error_;
  bool errorReported_ = false;
};

class TStandarddxReportLinkDesignWindow : public TAbstractdxReportLinkDesignWindow {
  DX_CLASS(TStandarddxReportLinkDesignWindow, TAbstractdxReportLinkDesignWindow)

 public:
  TStandarddxReportLinkDesignWindow();

  QPushButton* btnTitleProperties() const { return btnTitleProperties_; }
  QPushButton* btnRestoreOriginal() const { return btnRestoreOriginal_; }
  QPushButton* btnRestoreDefaults() const { return btnRestoreDefaults_; }
  QPushButton* btnOK() const { return btnOK_; }
  QPushButton* btnCancel() const { return btnCancel_; }
  QPushButton* btnApply() const { return btnApply_; }
  QPushButton* btnHelp() const { return btnHelp_; }

  // The update lock of the controls: while it is held, clicks on option
  // controls change nothing.
  void BeginUpdateControls() { ++updateCount_; }
  void EndUpdateControls();
  bool IsControlsUpdateLocked() const { return updateCount_ > 0; }

  // Apply: the link's DesignerApplied (a rebuild). A failure is shown in the
  // error box, ends the window with Cancel and is passed on by Execute.
  void Apply();
  // Whether Apply may run now (the state of "&Apply").
  virtual bool CanApply() const;

  std::string FormClassName() const override { return "TStandarddxReportLinkDesignWindow"; }

 protected:
  void LoadStrings() override;
  void UpdateControlsState() override;
  void BeforeInitialize() override { BeginUpdateControls(); }
  void AfterInitialize() override { EndUpdateControls(); }
  // Places the button row along the bottom edge.
  virtual void LayoutButtons();
  // The gap between the right-most button and the right edge at 96 pixels
  // per inch.
  virtual int ButtonsRightMargin() const { return 8; }
  // The area above the button row.
  QRect ClientAreaAboveButtons() const;
  // Whether the link is embedded in another link's report.
  bool IsLinkEmbedded() const;
  virtual void DoTitleProperties();
  virtual void DoRestoreOriginal();
  virtual void DoRestoreDefaults();
  void resizeEvent(QResizeEvent* event) override;

 private:
  QPushButton* btnTitleProperties_;
  QPushButton* btnRestoreOriginal_;
  QPushButton* btnRestoreDefaults_;
  QPushButton* btnOK_;
  QPushButton* btnCancel_;
  QPushButton* btnApply_;
  QPushButton* btnHelp_;
  int updateCount_ = 0;
};

// ---- Control trees ------------------------------------------------------------------

// What a node of a control tree stands for: the component, its caption and
// its check state.
struct TdxNodeObject {
  enum { Unchecked = 0, Checked = 1, PartlyChecked = 2 };
  QPointer<QObject> Component;
  std::string Caption;
  int State = Checked;
};

// A tree of controls whose nodes show their check state as a state image in
// front of the caption. The root is drawn bold in the gray-text colour. A
// left click on a state image or Space toggles the node; a right-button
// release selects the node under the mouse and asks for the pop-up menu.
class TdxPSControlsTree : public QTreeWidget {
 public:
  explicit TdxPSControlsTree(QWidget* parent = nullptr);

  // The node object of an item (none for items of other trees).
  static TdxNodeObject* NodeObject(const QTreeWidgetItem* item);
  QTreeWidgetItem* Root() const { return topLevelItemCount() ? topLevelItem(0) : nullptr; }
  // A new node below parent (a root when none).
  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, QObject* component, const std::string& caption, int state);
  // The item that stands for component; none.
  QTreeWidgetItem* FindNode(const QObject* component) const;
  // Shows the node's state again.
  void RefreshNode(QTreeWidgetItem* item);
  // Where the state image of an item is drawn (viewport coordinates).
  QRect StateImageRect(const QTreeWidgetItem* item) const;
  QTreeWidgetItem* ItemOf(const QModelIndex& index) const { return itemFromIndex(index); }

  std::function<void(QTreeWidgetItem* item)> OnToggle;
  std::function<void(QTreeWidgetItem* item, QPoint globalPos)> OnContextMenu;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Toggles the item whose state image a left click hit; whether it did.
  bool ToggleAt(QMouseEvent* event);
};

// ---- The container link's window ------------------------------------------------------

class TdxfmCustomContainerDesignWindow : public TStandarddxReportLinkDesignWindow {
  DX_CLASS(TdxfmCustomContainerDesignWindow, TStandarddxReportLinkDesignWindow)

 public:
  // Transparency boxes by tag, pagination boxes by tag.
  enum { tagTransparentRoot, tagTransparentControls, tagTransparentContainers, tagTransparentGraphics };
  enum { tagPaginateByControlDetails, tagPaginateByControls };

  TdxfmCustomContainerDesignWindow();
  ~TdxfmCustomContainerDesignWindow() override;

  TdxCustomContainerReportLink* ContainerLink() const;
  std::string FormClassName() const override { return "TdxfmCustomContainerDesignWindow"; }

  // ---- Controls ----
  QTabWidget* PageControl1() const { return pageControl_; }
  QWidget* tshOptions() const { return tshOptions_; }
  QWidget* tshReportLinks() const { return tshReportLinks_; }
  QWidget* tshControls() const { return tshControls_; }
  QWidget* tshHiddenControls() const { return tshHiddenControls_; }
  // Whether a tab sheet is shown in the page control.
  bool IsTabVisible(QWidget* sheet) const;
  void ActivateTab(QWidget* sheet);
  QCheckBox* chbxTransparentRoot() const { return chbxTransparentRoot_; }
  QCheckBox* chbxTransparentControls() const { return chbxTransparentControls_; }
  QCheckBox* chbxTransparentContainers() const { return chbxTransparentContainers_; }
  QCheckBox* chbxTransparentGraphics() const { return chbxTransparentGraphics_; }
  QCheckBox* chbxTransparentGroups() const { return chbxTransparentGroups_; }
  QCheckBox* chbxTransparentItems() const { return chbxTransparentItems_; }
  QCheckBox* chbxPaginateByControlDetails() const { return chbxPaginateByControlDetails_; }
  QCheckBox* chbxPaginateByControls() const { return chbxPaginateByControls_; }
  QCheckBox* chbxPaginateByGroups() const { return chbxPaginateByGroups_; }
  QCheckBox* chbxPaginateByItems() const { return chbxPaginateByItems_; }
  QCheckBox* chbxAutoWidth() const { return chbxAutoWidth_; }
  QWidget* SizeGroup() const { return sizeGroup_; }
  QListWidget* lbxLinks() const { return lbxLinks_; }
  QPushButton* btnDesign() const { return btnDesign_; }
  TdxPSControlsTree* tvControls() const { return tvControls_; }
  QPushButton* btnControlsCheckAll() const { return btnControlsCheckAll_; }
  QPushButton* btnControlsExpandAll() const { return btnControlsExpandAll_; }
  TdxPSControlsTree* tvHiddenControls() const { return tvHiddenControls_; }
  QPushButton* btnHiddenControlsCheckAll() const { return btnHiddenControlsCheckAll_; }
  QPushButton* btnHiddenControlsExpandAll() const { return btnHiddenControlsExpandAll_; }
  QMenu* pmControls() const { return pmControls_; }
  QAction* miControlsCheckAll() const { return miCheckAll_; }
  QAction* miControlsCheckStandardControls() const { return miCheckStandard_; }
  QAction* miControlsUncheckStandardControls() const { return miUncheckStandard_; }
  QAction* miControlsCheckAllChildren() const { return miCheckAllChildren_; }
  QAction* miControlsUncheckAllChildren() const { return miUncheckAllChildren_; }
  QAction* miControlsExpandAll() const { return miExpandAll_; }

  // ---- Operations of the trees ----
  // Toggles a node (nothing for the root): the node, its descendants and
  // the link's list take the new state; the ancestors are re-evaluated.
  void ToggleNode(TdxPSControlsTree* tree, QTreeWidgetItem* item);
  // Sets a node and all its descendants (the root keeps a state derived
  // from its children).
  void SetNodeStateRecursive(TdxPSControlsTree* tree, QTreeWidgetItem* item, int state);
  void CheckAll(TdxPSControlsTree* tree);
  void ExpandAll(TdxPSControlsTree* tree);
  // The pop-up menu over a tree: enables its items for the tree's selected
  // node and shows it at the screen point.
  void ShowControlsMenu(TdxPSControlsTree* tree, QPoint globalPos);
  // Enables the pop-up menu's items for the tree (before it opens).
  void UpdateControlsMenu(TdxPSControlsTree* tree);
  // Rebuilds a tree from the link's component.
  void RefreshControlsTree();
  void RefreshHiddenControlsTree();
  // Designs the selected aggregated link; Modified when that answered True.
  void DesignSelectedLink();

  // The caption of a tree node for a component: the producer's text, cut to
  // 255 characters ("..." in place of the last three kept ones), single "&"
  // removed and "&&" reduced to "&".
  static std::string NodeCaption(const std::string& text);

 protected:
  void LoadStrings() override;
  void LoadValues() override;
  void UpdateControlsState() override;
  void AfterInitialize() override;

 private:
  enum TreeKind { tkControls, tkHiddenControls };
  // kind: the picture (0 transparency, 1 pagination, 2 size).
  QWidget* MakeGroupHeader(QWidget* parent, const char* caption, int kind, int top, int width);
  QCheckBox* MakeCheckBox(QWidget* parent, const char* caption, int left, int top, int tag, bool transparent);
  void BuildTree(TdxPSControlsTree* tree, TreeKind kind);
  void AddChildNodes(TdxPSControlsTree* tree, TreeKind kind, QTreeWidgetItem* parentItem, QWidget* control);
  void EvaluateStatesFromLeaves(QTreeWidgetItem* item);
  void ReevaluateAncestors(TdxPSControlsTree* tree, QTreeWidgetItem* item);
  // Sets one node's state and lets the link's list follow.
  void ApplyNodeState(TdxPSControlsTree* tree, QTreeWidgetItem* item, int state);
  void SetSubtreeState(TdxPSControlsTree* tree, QTreeWidgetItem* item, int state);
  TreeKind KindOf(const TdxPSControlsTree* tree) const;
  bool HasUncheckedNode(const TdxPSControlsTree* tree) const;
  void LoadAggregatedLinks();
  void UpdateTabsVisibility();
  void TransparentClicked(int tag, bool checked);
  void PaginationClicked(int tag, bool checked);
  void TreeChanged(TdxPSControlsTree* tree);
  void PageChanged(int index);
  void SetStandardControlsChecked(bool checked);

  QTabWidget* pageControl_;
  QWidget *tshOptions_, *tshReportLinks_, *tshControls_, *tshHiddenControls_;
  QCheckBox *chbxTransparentRoot_, *chbxTransparentControls_, *chbxTransparentContainers_,
      *chbxTransparentGraphics_, *chbxTransparentGroups_, *chbxTransparentItems_;
  QCheckBox *chbxPaginateByControlDetails_, *chbxPaginateByControls_, *chbxPaginateByGroups_, *chbxPaginateByItems_;
  QCheckBox* chbxAutoWidth_;
  QWidget* sizeGroup_;
  QListWidget* lbxLinks_;
  QPushButton* btnDesign_;
  TdxPSControlsTree* tvControls_;
  QPushButton *btnControlsCheckAll_, *btnControlsExpandAll_;
  TdxPSControlsTree* tvHiddenControls_;
  QPushButton *btnHiddenControlsCheckAll_, *btnHiddenControlsExpandAll_;
  QMenu* pmControls_;
  QAction *miCheckAll_, *miCheckStandard_, *miUncheckStandard_, *miStandardSeparator_, *miCheckAllChildren_,
      *miUncheckAllChildren_, *miExpandAll_;
  TdxPSControlsTree* menuTree_ = nullptr;  // the tree the pop-up menu works on
  std::vector<TBasedxReportLink*> designableLinks_;
  bool hiddenControlsChanged_ = false;
};

// ---- Design operation and registration ---------------------------------------------------

// The link's design: creates the link's design window class, keeps the
// link's values in a copy, raises the printer's OnBeforeDesignReport, runs
// the window, raises OnDesignReport; when that leaves its flag set and the
// link has data the printer rebuilds the link; a window closed without OK
// and without applied changes gives the link its kept values back. Answers
// whether the window was closed with OK; False when the link has no design
// window.
bool dxPSDesignReportLink(TBasedxReportLink& link);

// Enters TdxfmCustomContainerDesignWindow as the design window of the
// container link's component classes in the link registry. Runs once.
void dxPSRegisterContainerDesignWindow();
// Gives the entries back their empty design window slot.
void dxPSUnregisterContainerDesignWindow();
