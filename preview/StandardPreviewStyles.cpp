// The standard preview window's print styles: the "Print Styles" submenu of
// the File menu and of the preview's pop-up menu, and the page setup button,
// which drops the same menu down while styles are offered.
#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "engine/ReportLink.h"
#include "preview/PageSetupMenu.h"
#include "preview/PreviewWindow.h"

void TdxfmStdPreview::RebuildPrintStyles() {
  if (!printStylesMenu_) return;  // still being made
  if (!pageSetupMenuBuilder_) {
    pageSetupMenuBuilder_ = TdxPSPageSetupMenuBuilderFactory::Instance()->CreateBuilder();
    if (pageSetupMenuBuilder_)
      connect(printStylesMenu_, &QMenu::aboutToShow, this, [this] {
        TBasedxReportLink* link = ReportLink();
        if (pageSetupMenuBuilder_ && link)
          pageSetupMenuBuilder_->UpdatePageSetupMenu(*printStylesMenu_, link->StyleManager());
      });
  }
  TBasedxReportLink* link = ReportLink();
  TdxPrintStyleManager* manager = link ? link->StyleManager() : nullptr;
  if (pageSetupMenuBuilder_ && manager) {
    TdxPageSetupMenuHandlers handlers;
    handlers.OnStyleChosen = [this] { PrintStyleChanged(); };
    handlers.OnStylesDefined = [this](bool) { PrintStyleChanged(); };
    pageSetupMenuBuilder_->BuildPageSetupMenu(*printStylesMenu_, manager, handlers);
  } else {
    printStylesMenu_->clear();
  }
  UpdateControls();
}

bool TdxfmStdPreview::PrintStylesOffered() const {
  TBasedxReportLink* link = ReportLink();
  return printStylesMenu_ && IsVisible(pvoPrintStyles) && link && link->StyleManager() &&
         !printStylesMenu_->actions().isEmpty();
}

void TdxfmStdPreview::UpdatePrintStylesOffer() {
  const bool offered = PrintStylesOffered();
  printStylesMenu_->menuAction()->setVisible(offered);
  if (QToolButton* button = ToolButton(pcPageSetup)) {
    if (offered && button->menu() != printStylesMenu_) {
      button->setMenu(printStylesMenu_);
      button->setPopupMode(QToolButton::MenuButtonPopup);
      ApplyToolBarLook();
    } else if (!offered && button->menu()) {
      button->setMenu(nullptr);
      button->setPopupMode(QToolButton::DelayedPopup);
      ApplyToolBarLook();
    }
  }
}

void TdxfmStdPreview::PrintStyleChanged() {
  if (!ReportLink()) return;
  InitializeFromPage();
  CheckMarginsInPrintableArea(false);
  UpdateControls();
}
