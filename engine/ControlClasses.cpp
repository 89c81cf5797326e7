#include "engine/ControlClasses.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMoveEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRawFont>
#include <QResizeEvent>
#include <QScrollArea>
#include <QStyle>
#include <QScrollBar>
#include <QSplitterHandle>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <map>

#include "engine/ReportLink.h"
#include "platform/QtStrings.h"

// ---- Control classes -------------------------------------------------------------

constinit const TdxClassInfo TComponentClass{"TComponent", nullptr};
constinit const TdxClassInfo TControlClass{"TControl", &TComponentClass};
constinit const TdxClassInfo TGraphicControlClass{"TGraphicControl", &TControlClass};
constinit const TdxClassInfo TCustomLabelClass{"TCustomLabel", &TGraphicControlClass};
constinit const TdxClassInfo TBevelClass{"TBevel", &TGraphicControlClass};
constinit const TdxClassInfo TPaintBoxClass{"TPaintBox", &TGraphicControlClass};
constinit const TdxClassInfo TShapeClass{"TShape", &TGraphicControlClass};
constinit const TdxClassInfo TSplitterClass{"TSplitter", &TGraphicControlClass};
constinit const TdxClassInfo TWinControlClass{"TWinControl", &TControlClass};
constinit const TdxClassInfo TCustomControlClass{"TCustomControl", &TWinControlClass};
constinit const TdxClassInfo TCustomEditClass{"TCustomEdit", &TWinControlClass};
constinit const TdxClassInfo TCustomMemoClass{"TCustomMemo", &TCustomEditClass};
constinit const TdxClassInfo TCustomComboBoxClass{"TCustomComboBox", &TWinControlClass};
constinit const TdxClassInfo TCustomComboBoxExClass{"TCustomComboBoxEx", &TCustomComboBoxClass};
constinit const TdxClassInfo TButtonControlClass{"TButtonControl", &TWinControlClass};
constinit const TdxClassInfo TCustomCheckBoxClass{"TCustomCheckBox", &TButtonControlClass};
constinit const TdxClassInfo TRadioButtonClass{"TRadioButton", &TButtonControlClass};
constinit const TdxClassInfo TCustomPanelClass{"TCustomPanel", &TCustomControlClass};
constinit const TdxClassInfo TPanelClass{"TPanel", &TCustomPanelClass};
constinit const TdxClassInfo TCustomGroupBoxClass{"TCustomGroupBox", &TCustomControlClass};
constinit const TdxClassInfo TCustomRadioGroupClass{"TCustomRadioGroup", &TCustomGroupBoxClass};
constinit const TdxClassInfo TScrollingWinControlClass{"TScrollingWinControl", &TWinControlClass};
constinit const TdxClassInfo TScrollBoxClass{"TScrollBox", &TScrollingWinControlClass};
constinit const TdxClassInfo TCustomFormClass{"TCustomForm", &TScrollingWinControlClass};
constinit const TdxClassInfo TFormClass{"TForm", &TCustomFormClass};
constinit const TdxClassInfo TCustomFrameClass{"TCustomFrame", &TScrollingWinControlClass};
constinit const TdxClassInfo TFrameClass{"TFrame", &TCustomFrameClass};
constinit const TdxClassInfo TCustomTabControlClass{"TCustomTabControl", &TWinControlClass};
constinit const TdxClassInfo TTabControlClass{"TTabControl", &TCustomTabControlClass};
constinit const TdxClassInfo TPageControlClass{"TPageControl", &TCustomTabControlClass};
constinit const TdxClassInfo TTabbedNotebookClass{"TTabbedNotebook", &TCustomTabControlClass};
constinit const TdxClassInfo TTabSheetClass{"TTabSheet", &TWinControlClass};
constinit const TdxClassInfo TNotebookClass{"TNotebook", &TCustomControlClass};
constinit const TdxClassInfo TPageClass{"TPage", &TCustomControlClass};
constinit const TdxClassInfo TTabPageClass{"TTabPage", &TWinControlClass};
constinit const TdxClassInfo TCommonCalendarClass{"TCommonCalendar", &TWinControlClass};
constinit const TdxClassInfo TDateTimePickerClass{"TDateTimePicker", &TCommonCalendarClass};
constinit const TdxClassInfo TMonthCalendarClass{"TMonthCalendar", &TCommonCalendarClass};
constinit const TdxClassInfo TCustomHotKeyClass{"TCustomHotKey", &TWinControlClass};
constinit const TdxClassInfo TCustomStaticTextClass{"TCustomStaticText", &TWinControlClass};
constinit const TdxClassInfo TScrollBarClass{"TScrollBar", &TWinControlClass};
constinit const TdxClassInfo TToolBarClass{"TToolBar", &TWinControlClass};

namespace {

const TdxClassInfo* const kControlClasses[] = {
    &TComponentClass,      &TControlClass,          &TGraphicControlClass,   &TCustomLabelClass,
    &TBevelClass,          &TPaintBoxClass,         &TShapeClass,            &TSplitterClass,
    &TWinControlClass,     &TCustomControlClass,    &TCustomEditClass,       &TCustomMemoClass,
    &TCustomComboBoxClass, &TCustomComboBoxExClass, &TButtonControlClass,    &TCustomCheckBoxClass,
    &TRadioButtonClass,    &TCustomPanelClass,      &TPanelClass,            &TCustomGroupBoxClass,
    &TCustomRadioGroupClass, &TScrollingWinControlClass, &TScrollBoxClass,   &TCustomFormClass,
    &TFormClass,           &TCustomFrameClass,      &TFrameClass,            &TCustomTabControlClass,
    &TTabControlClass,     &TPageControlClass,      &TTabbedNotebookClass,   &TTabSheetClass,
    &TNotebookClass,       &TPageClass,             &TTabPageClass,          &TCommonCalendarClass,
    &TDateTimePickerClass, &TMonthCalendarClass,    &TCustomHotKeyClass,     &TCustomStaticTextClass,
    &TScrollBarClass,      &TToolBarClass,
};

// The tab widget whose page w is, or none.
QTabWidget* OwningTabWidget(const QWidget* w) {
  auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget());
  if (!stack) return nullptr;
  auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
  return tabs && tabs->indexOf(const_cast<QWidget*>(w)) >= 0 ? tabs : nullptr;
}

// The stacked widget (not one inside a tab widget) whose page w is, or none.
QStackedWidget* OwningStack(const QWidget* w) {
  auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget());
  if (!stack || qobject_cast<QTabWidget*>(stack->parentWidget())) return nullptr;
  return stack->indexOf(const_cast<QWidget*>(w)) >= 0 ? stack : nullptr;
}

// The non-window child widgets of w, in child order.
std::vector<QWidget*> ChildWidgets(const QWidget* w) {
  std::vector<QWidget*> result;
  for (QObject* o : w->children()) {
    auto* child = qobject_cast<QWidget*>(o);
    if (child && !child->isWindow()) result.push_back(child);
  }
  return result;
}

// The scroll area through which w scrolls its children: w itself when it is
// one, the only child widget of a window when that is one; none otherwise.
QScrollArea* Scroller(const QWidget* w) {
  if (!w) return nullptr;
  if (auto* area = qobject_cast<QScrollArea*>(const_cast<QWidget*>(w))) return area;
  if (!w->isWindow()) return nullptr;
  std::vector<QWidget*> children = ChildWidgets(w);
  if (children.size() != 1) return nullptr;
  return qobject_cast<QScrollArea*>(children.front());
}

// The scroll area whose content widget content is, or none.
QScrollArea* AreaOfContent(const QWidget* content) {
  QWidget* viewport = content->parentWidget();
  if (!viewport) return nullptr;
  auto* area = qobject_cast<QScrollArea*>(viewport->parentWidget());
  return area && area->widget() == content ? area : nullptr;
}

bool IsFrameItself(const QWidget* w) { return w->metaObject() == &QFrame::staticMetaObject; }

bool IsLineFrame(const QWidget* w) {
  auto* frame = qobject_cast<const QFrame*>(w);
  return frame && (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine);
}

std::string StripMnemonic(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;  // "&&" gives "&"
    else if (text[i] == QLatin1Char('&')) continue;
    out += text[i];
  }
  return FromQ(out);
}

}  // namespace

TdxClass dxControlClassByName(const std::string& name) {
  for (TdxClass cls : kControlClasses)
    if (SameText(cls->ClassName(), name)) return cls;
  return nullptr;
}

TdxClass dxComponentClassOf(const QObject* component) {
  if (!component) return nullptr;
  QVariant named = component->property(dxControlClassProperty);
  if (named.isValid())
    if (TdxClass cls = dxControlClassByName(FromQ(named.toString()))) return cls;
  auto* w = qobject_cast<const QWidget*>(component);
  if (!w) return &TComponentClass;
  if (w->isWindow()) return &TFormClass;
  if (OwningTabWidget(w)) return &TTabSheetClass;
  if (OwningStack(w)) return &TPageClass;
  if (qobject_cast<const QTabWidget*>(w)) return &TPageControlClass;
  if (qobject_cast<const QStackedWidget*>(w)) return &TNotebookClass;
  if (qobject_cast<const QScrollArea*>(w)) return &TScrollBoxClass;
  if (qobject_cast<const QGroupBox*>(w)) return &TCustomGroupBoxClass;
  if (qobject_cast<const QLabel*>(w)) return &TCustomLabelClass;
  if (qobject_cast<const QLineEdit*>(w)) return &TCustomEditClass;
  if (qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w)) return &TCustomMemoClass;
  if (qobject_cast<const QComboBox*>(w)) return &TCustomComboBoxClass;
  if (qobject_cast<const QCheckBox*>(w)) return &TCustomCheckBoxClass;
  if (qobject_cast<const QRadioButton*>(w)) return &TRadioButtonClass;
  if (qobject_cast<const QDateTimeEdit*>(w)) return &TDateTimePickerClass;
  if (qobject_cast<const QKeySequenceEdit*>(w)) return &TCustomHotKeyClass;
  if (qobject_cast<const QCalendarWidget*>(w)) return &TMonthCalendarClass;
  if (qobject_cast<const QScrollBar*>(w)) return &TScrollBarClass;
  if (qobject_cast<const QToolBar*>(w)) return &TToolBarClass;
  if (qobject_cast<const QSplitterHandle*>(w)) return &TSplitterClass;
  if (IsFrameItself(w)) return IsLineFrame(w) ? &TBevelClass : &TPanelClass;
  return &TCustomControlClass;
}

bool dxIsWinControl(const QObject* object) { return InheritsFrom(dxComponentClassOf(object), &TWinControlClass); }

// ---- The control tree ------------------------------------------------------------

QWidget* dxControlParent(const QWidget* w) {
  if (!w || w->isWindow()) return nullptr;
  if (QTabWidget* tabs = OwningTabWidget(w)) return tabs;
  QWidget* parent = w->parentWidget();
  if (!parent) return nullptr;
  if (QScrollArea* area = AreaOfContent(parent)) {
    QWidget* holder = area->parentWidget();
    return holder && Scroller(holder) == area ? holder : area;
  }
  return parent;
}

std::vector<QWidget*> dxControlChildren(const QWidget* w) {
  std::vector<QWidget*> result;
  if (!w) return result;
  if (QScrollArea* area = Scroller(w)) {
    if (QWidget* content = area->widget()) result = ChildWidgets(content);
    return result;
  }
  if (auto* tabs = qobject_cast<const QTabWidget*>(w)) {
    for (int i = 0; i < tabs->count(); ++i) result.push_back(tabs->widget(i));
    return result;
  }
  if (auto* stack = qobject_cast<const QStackedWidget*>(w)) {
    for (int i = 0; i < stack->count(); ++i) result.push_back(stack->widget(i));
    return result;
  }
  return ChildWidgets(w);
}

bool dxIsInternalControlPart(const QWidget* w, const QWidget* child) {
  return child && child->objectName().startsWith(QLatin1String("qt_"));
}

bool dxControlAcceptsControls(const QWidget* w) {
  TdxClass cls = dxComponentClassOf(w);
  for (TdxClass container : {&TCustomPanelClass, &TCustomGroupBoxClass, &TScrollingWinControlClass,
                             &TCustomTabControlClass, &TTabSheetClass, &TNotebookClass, &TPageClass, &TTabPageClass})
    if (InheritsFrom(cls, container)) return true;
  return false;
}

bool dxControlVisible(const QWidget* w) {
  if (!w) return false;
  QWidget* parent = dxControlParent(w);
  return parent ? w->isVisibleTo(parent) : !w->isHidden();
}

bool dxControlEnabled(const QWidget* w) {
  if (!w) return false;
  return w->parentWidget() ? w->isEnabledTo(w->parentWidget()) : w->isEnabled();
}

namespace {

// The visible client area of a scrolling window: its scroll area without the
// frame and without the scroll bars the content needs. Computed from the
// sizes, because a window that was never shown has not laid out its viewport.
QSize ScrollingClientSize(const QWidget* window, const QScrollArea* area) {
  const int frame = area->frameWidth();
  int width = area->width() - 2 * frame;
  int height = area->height() - 2 * frame;
  const QSize content = area->widget() ? area->widget()->size() : QSize();
  const int bar = area->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area);
  auto needed = [](Qt::ScrollBarPolicy policy, bool overflow) {
    return policy == Qt::ScrollBarAlwaysOn || (policy == Qt::ScrollBarAsNeeded && overflow);
  };
  bool vertical = needed(area->verticalScrollBarPolicy(), content.height() > height);
  bool horizontal = needed(area->horizontalScrollBarPolicy(), content.width() > width - (vertical ? bar : 0));
  if (!vertical && horizontal) vertical = needed(area->verticalScrollBarPolicy(), content.height() > height - bar);
  if (vertical) width -= bar;
  if (horizontal) height -= bar;
  return {std::max(0, std::min(width, window->width())), std::max(0, std::min(height, window->height()))};
}

}  // namespace

TRect dxControlBounds(const QWidget* w) {
  if (!w) return {};
  QWidget* parent = dxControlParent(w);
  QPoint origin = parent ? w->mapTo(parent, QPoint(0, 0)) : w->geometry().topLeft();
  // A window counts with its client area, the part its controls live in
  // (the window frame and the scroll bars are not printed).
  if (!parent)
    if (QScrollArea* area = Scroller(w); area && area != w) {
      QSize client = ScrollingClientSize(w, area);
      return Bounds(origin.x(), origin.y(), client.width(), client.height());
    }
  return Bounds(origin.x(), origin.y(), w->width(), w->height());
}

TPoint dxControlScrollPos(const QWidget* w) {
  QScrollArea* area = Scroller(w);
  if (!area) return {};
  return {area->horizontalScrollBar()->value(), area->verticalScrollBar()->value()};
}

TSize dxControlScrollRange(const QWidget* w) {
  QScrollArea* area = Scroller(w);
  if (!area || !area->widget()) return {};
  int frame = area->frameWidth();
  // The content starts at the viewport, which lies inside the area's frame
  // (and, for a scrolling form, at the area's place in the window).
  QPoint origin = area == w ? QPoint(0, 0) : area->pos();
  return {origin.x() + area->widget()->width() + 2 * frame, origin.y() + area->widget()->height() + 2 * frame};
}

QWidget* dxControlActivePage(const QWidget* w) {
  if (auto* tabs = qobject_cast<const QTabWidget*>(w)) return tabs->currentWidget();
  if (auto* stack = qobject_cast<const QStackedWidget*>(w)) return stack->currentWidget();
  return nullptr;
}

TColor dxColorFromQColor(const QColor& color) {
  QColor rgb = color.toRgb();
  return TColor(RGBValue(rgb.red(), rgb.green(), rgb.blue()));
}

TColor dxControlColor(const QWidget* w) {
  return w ? dxColorFromQColor(w->palette().color(QPalette::Active, w->backgroundRole())) : clBtnFace;
}

TFont dxControlFont(const QWidget* w) {
  TFont font;
  if (!w) return font;
  QFont f = w->font();
  font.Name = FromQ(f.family());
  font.PixelsPerInch = 96;
  if (f.pixelSize() > 0)
    font.Height = -f.pixelSize();
  else
    font.Height = -int(std::lround(f.pointSizeF() * 96.0 / 72.0));
  font.Style = (f.bold() ? fsBold : 0u) | (f.italic() ? fsItalic : 0u) | (f.underline() ? fsUnderline : 0u) |
               (f.strikeOut() ? fsStrikeOut : 0u);
  font.Pitch = f.fixedPitch() ? fpFixed : fpDefault;
  font.Color = dxColorFromQColor(w->palette().color(QPalette::Active, w->foregroundRole()));
  return font;
}

std::string dxControlText(const QWidget* w) {
  if (!w) return {};
  if (auto* label = qobject_cast<const QLabel*>(w)) return FromQ(label->text());
  // What the edit shows: a password stays masked.
  if (auto* edit = qobject_cast<const QLineEdit*>(w)) return FromQ(edit->displayText());
  if (auto* plain = qobject_cast<const QPlainTextEdit*>(w)) return FromQ(plain->toPlainText());
  if (auto* rich = qobject_cast<const QTextEdit*>(w)) return FromQ(rich->toPlainText());
  if (auto* combo = qobject_cast<const QComboBox*>(w)) {
    if (combo->isEditable()) return FromQ(combo->currentText());
    return combo->currentIndex() >= 0 ? FromQ(combo->itemText(combo->currentIndex())) : std::string();
  }
  if (auto* button = qobject_cast<const QAbstractButton*>(w)) return StripMnemonic(button->text());
  if (auto* group = qobject_cast<const QGroupBox*>(w)) return StripMnemonic(group->title());
  if (auto* date = qobject_cast<const QDateTimeEdit*>(w)) return FromQ(date->text());
  if (auto* keys = qobject_cast<const QKeySequenceEdit*>(w))
    return FromQ(keys->keySequence().toString(QKeySequence::NativeText));
  QVariant text = w->property("text");
  if (text.isValid()) return FromQ(text.toString());
  if (w->isWindow()) return FromQ(w->windowTitle());
  return {};
}

bool dxControlCtl3D(const QWidget* w) {
  if (auto* edit = qobject_cast<const QLineEdit*>(w)) return edit->hasFrame();
  if (IsFrameItself(w)) {
    auto* frame = static_cast<const QFrame*>(w);
    return frame->frameShape() != QFrame::NoFrame && frame->frameShadow() != QFrame::Plain;
  }
  return true;
}

void dxPrepareControlTree(QWidget* root) {
  if (!root) return;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  std::vector<QWidget*> widgets{root};
  for (QWidget* w : root->findChildren<QWidget*>()) widgets.push_back(w);
  for (QWidget* w : widgets) {
    if (w->testAttribute(Qt::WA_PendingMoveEvent)) {
      QMoveEvent e(w->pos(), QPoint());
      QCoreApplication::sendEvent(w, &e);
      w->setAttribute(Qt::WA_PendingMoveEvent, false);
    }
    if (w->testAttribute(Qt::WA_PendingResizeEvent)) {
      QResizeEvent e(w->size(), QSize());
      QCoreApplication::sendEvent(w, &e);
      w->setAttribute(Qt::WA_PendingResizeEvent, false);
    }
  }
}

bool dxIsTrueTypeFont(const std::string& name) {
  static std::map<std::string, bool> cache;
  std::string key = LowerCase(name);
  if (auto it = cache.find(key); it != cache.end()) return it->second;

  const QStringList families = QFontDatabase::families();
  auto installed = [&families](const QString& family) {
    for (const QString& f : families)
      if (f.compare(family, Qt::CaseInsensitive) == 0) return f;
    return QString();
  };
  QString family = installed(ToQ(name));
  if (family.isEmpty()) {
    QString substitute = SubstituteFontName(name);
    if (substitute.compare(ToQ(name), Qt::CaseInsensitive) != 0) family = installed(substitute);
  }
  bool trueType = false;
  if (!family.isEmpty() && QFontDatabase::isSmoothlyScalable(family)) {
    QFont probe(family);
    probe.setPixelSize(32);
    QRawFont raw = QRawFont::fromFont(probe);
    trueType = raw.isValid() && raw.familyName().compare(family, Qt::CaseInsensitive) == 0 &&
               (!raw.fontTable("glyf").isEmpty() || !raw.fontTable("CFF ").isEmpty());
  }
  cache.emplace(key, trueType);
  return trueType;
}
