// The printer page most tests and benchmarks start from.
#pragma once

#include "layout/PrinterPage.h"

struct TTestPaper {
  int DMPaper;
  TPoint Size;  // thousandths of a millimetre
};
inline constexpr TTestPaper kTestA4{9, {210000, 297000}};
inline constexpr TTestPaper kTestLetter{1, {215900, 279400}};

// paper in portrait with 12.7 mm margins, 6.35 mm header and footer, no
// minimal margins, at 100 %, in one update. The measurement units stay.
inline void SetUpTestPage(TdxPrinterPage& page, const TTestPaper& paper) {
  page.BeginUpdate();
  page.SetOrientation(poPortrait);
  page.SetDMPaper(paper.DMPaper);
  page.SetPageSize(paper.Size);
  page.SetMinMargins(TRect());
  page.SetMargins(TRect(12700, 12700, 12700, 12700));
  page.SetHeader(6350);
  page.SetFooter(6350);
  page.SetScaleFactor(100);
  page.EndUpdate();
}
