// The engine's control classes and how Qt widgets count as them.
//
// The container report link, the link registry and the class maps select
// producers, builders and links by control class (TControl, TWinControl,
// TCustomForm, ...). The classes are stand-alone class descriptors (no
// objects of them exist); dxComponentClassOf tells which one a Qt object
// counts as:
//
//   QObject that is no widget                   TComponent
//   top-level widget (window)                   TForm          (TCustomForm)
//   page of a QTabWidget                        TTabSheet
//   page of a QStackedWidget                    TPage
//   QTabWidget                                  TPageControl
//   QStackedWidget                              TNotebook
//   QScrollArea                                 TScrollBox     (TScrollingWinControl)
//   QGroupBox                                   TCustomGroupBox
//   QLabel                                      TCustomLabel   (non-windowed)
//   QLineEdit                                   TCustomEdit
//   QPlainTextEdit, QTextEdit                   TCustomMemo
//   QComboBox                                   TCustomComboBox
//   QCheckBox                                   TCustomCheckBox
//   QRadioButton                                TRadioButton
//   QDateTimeEdit (QDateEdit, QTimeEdit)        TDateTimePicker
//   QKeySequenceEdit                            TCustomHotKey
//   QCalendarWidget                             TMonthCalendar (TCommonCalendar)
//   QScrollBar                                  TScrollBar
//   QToolBar                                    TToolBar
//   QSplitterHandle                             TSplitter      (non-windowed)
//   QFrame itself, shaped as a line             TBevel         (non-windowed)
//   QFrame itself, any other shape (a panel)    TPanel         (TCustomPanel)
//   any other widget (the image editor, ...)    TCustomControl (a TWinControl)
//
// Generic widgets count as TCustomControl, a descendant of TWinControl, and
// not as TWinControl itself: a class map answers the earliest registered
// item for an exact match but the latest for an inherited one, and the
// container link relies on the inherited rule (an unknown windowed control
// goes to the producer registered last for TWinControl, whose substitute
// paints the control into a metafile).
//
// A widget can name its class itself through the dynamic property
// "dxControlClass" (a class name known to dxControlClassByName), for the
// classes Qt has no widget for (TShape, TPaintBox, TCustomStaticText,
// TCustomRadioGroup, TCustomFrame, ...).
//
// The control tree. A control's children, parent, bounds and scroll state
// are read through the functions below, which hide how Qt nests widgets:
//   - a QScrollArea presents the children of its widget(); its scroll
//     offsets are its scroll bars' positions and its scroll range is the
//     size of the widget() (plus the area's frame);
//   - a window whose only child widget (other windows such as menus aside)
//     is a QScrollArea is a scrolling form: it presents that area's content
//     as its own children, with the area's scroll state;
//   - a QTabWidget or QStackedWidget presents its pages.
// A child's bounds are its place within its control parent as it shows on
// the screen (scrolled content has moved); adding the parent's scroll
// offsets gives the unscrolled place.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "platform/Types.h"
#include "report/ClassInfo.h"

// ---- Control classes -------------------------------------------------------------

extern const TdxClassInfo TComponentClass;
extern const TdxClassInfo TControlClass;
extern const TdxClassInfo TGraphicControlClass;
extern const TdxClassInfo TCustomLabelClass;
extern const TdxClassInfo TBevelClass;
extern const TdxClassInfo TPaintBoxClass;
extern const TdxClassInfo TShapeClass;
extern const TdxClassInfo TSplitterClass;
extern const TdxClassInfo TWinControlClass;
extern const TdxClassInfo TCustomControlClass;
extern const TdxClassInfo TCustomEditClass;
extern const TdxClassInfo TCustomMemoClass;
extern const TdxClassInfo TCustomComboBoxClass;
extern const TdxClassInfo TCustomComboBoxExClass;
extern const TdxClassInfo TButtonControlClass;
extern const TdxClassInfo TCustomCheckBoxClass;
extern const TdxClassInfo TRadioButtonClass;
extern const TdxClassInfo TCustomPanelClass;
extern const TdxClassInfo TPanelClass;
extern const TdxClassInfo TCustomGroupBoxClass;
extern const TdxClassInfo TCustomRadioGroupClass;
extern const TdxClassInfo TScrollingWinControlClass;
extern const TdxClassInfo TScrollBoxClass;
extern const TdxClassInfo TCustomFormClass;
extern const TdxClassInfo TFormClass;
extern const TdxClassInfo TCustomFrameClass;
extern const TdxClassInfo TFrameClass;
extern const TdxClassInfo TCustomTabControlClass;
extern const TdxClassInfo TTabControlClass;
extern const TdxClassInfo TPageControlClass;
extern const TdxClassInfo TTabbedNotebookClass;
extern const TdxClassInfo TTabSheetClass;
extern const TdxClassInfo TNotebookClass;
extern const TdxClassInfo TPageClass;
extern const TdxClassInfo TTabPageClass;
extern const TdxClassInfo TCommonCalendarClass;
extern const TdxClassInfo TDateTimePickerClass;
extern const TdxClassInfo TMonthCalendarClass;
extern const TdxClassInfo TCustomHotKeyClass;
extern const TdxClassInfo TCustomStaticTextClass;
extern const TdxClassInfo TScrollBarClass;
extern const TdxClassInfo TToolBarClass;

// The control class of this name (case ignored); null for other names.
TdxClass dxControlClassByName(const std::string& name);

// The dynamic property through which a widget names its control class.
inline constexpr const char* dxControlClassProperty = "dxControlClass";

// dxComponentClassOf (declared with the report link) implements the table
// above.

// Whether the object counts as a windowed control (a TWinControl).
bool dxIsWinControl(const QObject* object);

// ---- The control tree ------------------------------------------------------------

// The control that holds w (none for windows and parentless widgets).
QWidget* dxControlParent(const QWidget* w);
// The child controls of w in child order (windows such as menus excluded;
// hidden ones included).
std::vector<QWidget*> dxControlChildren(const QWidget* w);
// Whether child is a part that w made for itself (Qt names them "qt_...").
bool dxIsInternalControlPart(const QWidget* w, const QWidget* child);
// Whether w's class takes child controls (panels, group boxes, scrolling
// controls, forms, frames, tab controls and sheets, notebooks and pages).
bool dxControlAcceptsControls(const QWidget* w);
// Not hidden relative to its control parent (windows: not hidden).
bool dxControlVisible(const QWidget* w);
// The control's own enabled state (not the state inherited from parents).
bool dxControlEnabled(const QWidget* w);
// Bounds within the control parent; a parentless widget: its geometry.
TRect dxControlBounds(const QWidget* w);
// Scroll bar positions (0, 0 for controls that do not scroll).
TPoint dxControlScrollPos(const QWidget* w);
// Extent of the scrollable area (0 x 0 for controls that do not scroll).
TSize dxControlScrollRange(const QWidget* w);
// The shown page of a page control or notebook; none for other controls or
// without pages.
QWidget* dxControlActivePage(const QWidget* w);
// Background colour (active colour group) and font (name, height at 96
// pixels per inch, style, text colour).
TColor dxControlColor(const QWidget* w);
TFont dxControlFont(const QWidget* w);
// The text the control shows: label, edit, memo or combo text, button or
// group caption, date or hot key text, the window title of a form, else
// the dynamic property "text". An edit gives what it shows (a password
// stays masked).
std::string dxControlText(const QWidget* w);
// Whether the control has a 3-D (sunken) look: a frameless edit or a plain
// QFrame has not.
bool dxControlCtl3D(const QWidget* w);
// Delivers pending move and resize events and pending layout requests in
// the tree of root (as painting it would), so that the geometry of a tree
// that has not been shown yet is laid out.
void dxPrepareControlTree(QWidget* root);

// A colour of Qt as 0x00BBGGRR.
TColor dxColorFromQColor(const QColor& color);
// Whether the font of this name is a TrueType (outline) font: the name, or
// the face that stands in for it, is installed and smoothly scalable with
// TrueType or CFF outlines. Answers are cached per name (case ignored).
bool dxIsTrueTypeFont(const std::string& name);
