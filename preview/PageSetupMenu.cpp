#include "preview/PageSetupMenu.h"

void TdxPSPageSetupMenuBuilder::BuildPageSetupMenu(QMenu&, TdxPrintStyleManager*, const TdxPageSetupMenuHandlers&) {}

void TdxPSPageSetupMenuBuilder::UpdatePageSetupMenu(QMenu&, TdxPrintStyleManager*) {}

void TdxPSPageSetupMenuBuilderFactory::Register(TdxClass cls) {
  if (InheritsFrom(cls, TdxPSPageSetupMenuBuilder::StaticClass())) TdxCustomClassFactory::Register(cls);
}

std::unique_ptr<TdxPSPageSetupMenuBuilder> TdxPSPageSetupMenuBuilderFactory::CreateBuilder() const {
  if (Count() == 0) return nullptr;
  return dxCreateObject<TdxPSPageSetupMenuBuilder>(Items(0));
}
