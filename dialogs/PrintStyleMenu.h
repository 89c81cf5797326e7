// The print styles menu that the preview window offers for a style manager:
// one checkable item per style (its glyph and caption; the current style
// checked), a separator and "&Define Styles...". Choosing a style makes it
// the manager's current style.
#pragma once

#include "preview/PageSetupMenu.h"

class TdxStandardPSPageSetupMenuBuilder : public TdxPSPageSetupMenuBuilder {
  DX_CLASS(TdxStandardPSPageSetupMenuBuilder, TdxPSPageSetupMenuBuilder)

 public:
  void BuildPageSetupMenu(QMenu& menu, TdxPrintStyleManager* manager,
                          const TdxPageSetupMenuHandlers& handlers) override;
  void UpdatePageSetupMenu(QMenu& menu, TdxPrintStyleManager* manager) override;
};
