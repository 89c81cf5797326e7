#include "dialogs/FunctionToolBar.h"

#include <QAction>
#include <QFontMetrics>
#include <QLayout>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "dialogs/AutoTextMenu.h"
#include "layout/HeaderFooterFunctions.h"
#include "platform/QtStrings.h"

namespace {

constexpr const char* kFunctionProperty = "dxHFFunctionIndex";
constexpr const char* kAutoTextProperty = "dxHFAutoText";
constexpr int kButtonHeight = 22;

// The glyph with its bottom-left pixel's colour made transparent.
QIcon MaskedGlyph(const TBitmap& glyph) {
  QImage image = glyph.Image().convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) return {};
  const QRgb key = image.pixel(0, image.height() - 1) | 0xFF000000u;
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if ((row[x] | 0xFF000000u) == key) row[x] = 0;
  }
  return QIcon(QPixmap::fromImage(image));
}

// Removes the ampersand of a mnemonic (a doubled one stays as one).
QString StripAmpersand(const QString& text) {
  QString out;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

}  // namespace

void BuildHFToolBar(QToolBar& toolBar, const TdxHFFunctionLibrary& functions, const TdxHFToolBarParams& params) {
  toolBar.clear();
  toolBar.setIconSize(QSize(16, 16));
  toolBar.setMovable(false);
  toolBar.setFloatable(false);
  toolBar.setContentsMargins(0, 0, 0, 0);
  if (toolBar.layout()) {
    toolBar.layout()->setSpacing(0);
    toolBar.layout()->setContentsMargins(2, 0, 2, 0);
  }

  const QString autoTextCaption = ToQ(dxPSHFToolBarTexts::InsertAutoText);
  const int autoTextWidth =
      params.WithAutoTextButton ? QFontMetrics(toolBar.font()).horizontalAdvance(StripAmpersand(autoTextCaption)) + 22
                                : 0;

  QWidget* parent = toolBar.parentWidget();
  int room = params.AvailableWidth > 0 ? params.AvailableWidth : parent ? parent->width() : 0;
  int count = functions.Count();
  int width = count * dxHFToolBarButtonWidth + autoTextWidth + 4;
  if (room > 0 && width > room - 4) {
    count = std::max(0, (room - autoTextWidth - 8) / dxHFToolBarButtonWidth);
    width = count * dxHFToolBarButtonWidth + autoTextWidth + 4;
  }

  for (int i = 0; i < count; ++i) {
    TdxHFFunction* function = functions.Functions(i);
    QAction* action = toolBar.addAction(function ? MaskedGlyph(function->Glyph()) : QIcon(), QString());
    action->setData(i);
    action->setToolTip(function ? ToQ(function->Hint()) : QString());
    action->setProperty(kFunctionProperty, i);
    if (auto* button = qobject_cast<QToolButton*>(toolBar.widgetForAction(action))) {
      button->setFixedSize(dxHFToolBarButtonWidth, kButtonHeight);
      button->setFocusPolicy(Qt::NoFocus);
      button->setProperty(kFunctionProperty, i);
    }
    auto handler = params.OnFunctionClick;
    QObject::connect(action, &QAction::triggered, &toolBar, [handler, i] {
      if (handler) handler(i);
    });
  }

  if (params.WithAutoTextButton) {
    auto* button = new QToolButton(&toolBar);
    button->setText(autoTextCaption);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(autoTextWidth, kButtonHeight);
    button->setProperty(kAutoTextProperty, true);
    auto* menu = new QMenu(button);
    if (params.AutoTextEntries) BuildAutoTextMenu(*menu, *params.AutoTextEntries, params.OnAutoTextClick);
    button->setMenu(menu);
    toolBar.addWidget(button);
  }

  toolBar.setFixedWidth(width);
  toolBar.setFixedHeight(kButtonHeight + 2);
  if (params.Centered && parent && !parent->layout()) toolBar.move((parent->width() - width) / 2, toolBar.y());
  toolBar.setVisible(!toolBar.actions().isEmpty());
}

QToolButton* dxHFToolBarAutoTextButton(QToolBar& toolBar) {
  for (QToolButton* b : toolBar.findChildren<QToolButton*>())
    if (b->property(kAutoTextProperty).toBool()) return b;
  return nullptr;
}

std::vector<QToolButton*> dxHFToolBarFunctionButtons(QToolBar& toolBar) {
  std::vector<QToolButton*> buttons;
  for (QAction* action : toolBar.actions()) {
    if (!action->property(kFunctionProperty).isValid()) continue;
    if (auto* b = qobject_cast<QToolButton*>(toolBar.widgetForAction(action))) buttons.push_back(b);
  }
  return buttons;
}
