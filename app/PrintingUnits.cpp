#include "app/PrintingUnits.h"

#include "dialogs/dxPSPrnDlg.h"
#include "dialogs/dxPSPrnStyles.h"
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
  dxPSRegisterPrintStyles();
  dxPSRegisterPrintDialog();
  dxPSRegisterReportStorage();
  dxPSRegisterStdPreviewWindow();
  dxPSRegisterPreviewDialogs();
}
