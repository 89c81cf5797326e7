#include "dialogs/AutoTextMenu.h"

#include <QAction>
#include <QMenu>

#include "platform/QtStrings.h"

void TdxPSAutoHFTextMenuBuilder::BuildAutoHFTextEntriesMenu(QMenu&, const std::vector<std::string>&,
                                                            const std::function<void(int)>&, bool,
                                                            const std::function<void()>&) {}

void TdxStandardPSAutoHFTextMenuBuilder::BuildAutoHFTextEntriesMenu(QMenu& menu,
                                                                    const std::vector<std::string>& entries,
                                                                    const std::function<void(int)>& onEntry,
                                                                    bool withAutoTextItem,
                                                                    const std::function<void()>& onAutoText) {
  menu.clear();
  for (int i = 0; i < int(entries.size()); ++i) {
    // The entry's text as it stands: an ampersand is no mnemonic here.
    QString caption = ToQ(entries[std::size_t(i)]);
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* item = menu.addAction(caption);
    item->setData(i);
    QObject::connect(item, &QAction::triggered, &menu, [onEntry, i] {
      if (onEntry) onEntry(i);
    });
  }
  if (!withAutoTextItem) return;
  if (!entries.empty()) menu.addSeparator();
  QAction* item = menu.addAction(ToQ(dxPSAutoHFTextMenuTexts::AutoTextItem));
  QObject::connect(item, &QAction::triggered, &menu, [onAutoText] {
    if (onAutoText) onAutoText();
  });
}

void TdxPSAutoHFTextMenuBuilderFactory::Register(TdxClass cls) {
  if (InheritsFrom(cls, TdxPSAutoHFTextMenuBuilder::StaticClass())) TdxCustomClassFactory::Register(cls);
}

void TdxPSAutoHFTextMenuBuilderFactory::InitializeInstance() {
  TdxCustomClassFactory::InitializeInstance();
  Register(TdxStandardPSAutoHFTextMenuBuilder::StaticClass());
}

std::unique_ptr<TdxPSAutoHFTextMenuBuilder> TdxPSAutoHFTextMenuBuilderFactory::CreateBuilder() const {
  if (Count() == 0) return nullptr;
  return dxCreateObject<TdxPSAutoHFTextMenuBuilder>(Items(0));
}

void BuildAutoTextMenu(QMenu& menu, const std::vector<std::string>& entries, const std::function<void(int)>& onEntry,
                       bool withAutoTextItem, const std::function<void()>& onAutoText) {
  std::unique_ptr<TdxPSAutoHFTextMenuBuilder> builder = TdxPSAutoHFTextMenuBuilderFactory::Instance()->CreateBuilder();
  if (!builder) {
    menu.clear();
    return;
  }
  builder->BuildAutoHFTextEntriesMenu(menu, entries, onEntry, withAutoTextItem, onAutoText);
}
