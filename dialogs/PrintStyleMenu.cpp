#include "dialogs/PrintStyleMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPixmap>
#include <QPointer>

#include "dialogs/PrintStyles.h"
#include "platform/QtStrings.h"

namespace {
constexpr const char* kStyleProperty = "dxPrintStyle";

TBasedxPrintStyle* StyleOfItem(const QAction* item) {
  return dynamic_cast<TBasedxPrintStyle*>(item->property(kStyleProperty).value<QObject*>());
}
}  // namespace

void TdxStandardPSPageSetupMenuBuilder::BuildPageSetupMenu(QMenu& menu, TdxPrintStyleManager* manager,
                                                           const TdxPageSetupMenuHandlers& handlers) {
  menu.clear();
  for (QActionGroup* group : menu.findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly)) delete group;
  if (!manager) return;
  auto* group = new QActionGroup(&menu);
  group->setExclusive(true);
  QPointer<TdxPrintStyleManager> owner(manager);
  for (int i = 0; i < manager->Count(); ++i) {
    TBasedxPrintStyle* style = manager->Styles(i);
    QString caption = ToQ(style->StyleCaption());
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* item = menu.addAction(caption);
    if (!style->StyleGlyph().Empty()) item->setIcon(QPixmap::fromImage(style->StyleGlyph().Image()));
    item->setCheckable(true);
    item->setChecked(style == manager->CurrentStyle());
    item->setData(i);
    item->setProperty(kStyleProperty, QVariant::fromValue(static_cast<QObject*>(style)));
    group->addAction(item);
    QPointer<TBasedxPrintStyle> chosen(style);
    auto onChosen = handlers.OnStyleChosen;
    QObject::connect(item, &QAction::triggered, &menu, [owner, chosen, onChosen] {
      if (!owner || !chosen || owner->IndexOfStyle(chosen) < 0) return;
      if (owner->CurrentStyle() == chosen) return;
      owner->SetCurrentStyle(chosen);
      if (onChosen) onChosen();
    });
  }
  if (manager->Count() > 0) menu.addSeparator();
  QAction* define = menu.addAction(ToQ(dxPSPageSetupMenuTexts::DefineStyles));
  auto onDefined = handlers.OnStylesDefined;
  QObject::connect(define, &QAction::triggered, &menu, [owner, onDefined] {
    if (!owner) return;
    bool previewChosen = false;
    owner->DefinePrintStyles(&previewChosen, nullptr);
    if (onDefined) onDefined(previewChosen);
  });
}

void TdxStandardPSPageSetupMenuBuilder::UpdatePageSetupMenu(QMenu& menu, TdxPrintStyleManager* manager) {
  for (QAction* item : menu.actions())
    if (item->isCheckable()) item->setChecked(manager && StyleOfItem(item) == manager->CurrentStyle());
}
