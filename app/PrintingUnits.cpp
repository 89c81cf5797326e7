#include "app/PrintingUnits.h"

#include "dialogs/AutoTextDialog.h"
#include "dialogs/BackgroundPalette.h"
#include "dialogs/DefineStylesDialog.h"
#include "dialogs/FormatDialogs.h"
#include "dialogs/PageSetupDialog.h"
#include "dialogs/PrintDialog.h"
#include "dialogs/PrintStyles.h"
#include "dialogs/ReportFileDialogs.h"
#include "engine/ContainerDesignWindow.h"
#include "engine/ContainerReportLink.h"
#include "engine/ReportFile.h"
#include "preview/PreviewDialogs.h"
#include "preview/PreviewWindow.h"
#include "report/ReportCells.h"

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
