#include "app/PrintingUnits.h"

#include "dialogs/dxPSAutoTextDlg.h"
#include "dialogs/dxPSBkgndPalette.h"
#include "dialogs/dxPSDefineStylesDlg.h"
#include "dialogs/dxPSFmtDlgs.h"
#include "dialogs/dxPSPgsDlg.h"
#include "dialogs/dxPSPrnDlg.h"
#include "dialogs/dxPSPrnStyles.h"
#include "dialogs/dxPSReportFileDlg.h"
#include "engine/dxPSContainerDsgn.h"
#include "engine/dxPSContainerLnk.h"
#include "engine/dxPSReportFile.h"
#include "preview/dxPSPrVwDlgs.h"
#include "preview/dxPSPrevWnd.h"
#include "report/dxPSCore.h"

void RegisterPrintingUnits() {
  static bool done = false;
  if (done) return;
  done = true;
  dxPSRegisterReportClasses();
  dxPSRegisterContainerLinkClasses();
  dxPSRegisterContainerDesignWindow();
  dxPSRegisterPrintStyles();
  dxPSRegisterReportStorage();
  dxPSRegisterStdPreviewWindow();
  dxPSRegisterPreviewDialogs();
  dxPSRegisterPrintDialog();
  dxPSRegisterPageSetupDialog();
  dxPSRegisterBackgroundPalette();
  dxPSRegisterFormatDialogs();
  dxPSRegisterReportFileDialogs();
  dxPSRegisterAutoTextDialog();
  dxPSRegisterDefinePrintStylesDialog();

  // The preview window's commands that open the link's dialogs.
  TdxPreviewWindowDialogs& dialogs = dxPSPreviewWindowDialogs();
  dialogs.PrintDialog = true;
  dialogs.PageSetup = true;
  dialogs.Title = [](TBasedxReportLink& link) { return link.ShowTitlePropertiesDialog(); };
  dialogs.DateTimeFormats = [](TBasedxReportLink& link) { return link.ShowDateTimeFormatsDialog(); };
  dialogs.PageNumberFormats = [](TBasedxReportLink& link) { return link.ShowPageNumberFormatsDialog(); };
}
