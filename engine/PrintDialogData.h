// The data the print dialog shows and returns, and the page range text both
// the dialog and the component printer read.
//
// TdxPrintDialogData is the in-out record of the dialog (the dialog works on
// a copy and writes it back on OK); TdxPrintDlgData wraps it with the window
// caption, which buttons and options are enabled and visible, the dialog's
// event handlers and the Requested answer (the user asked for the preview).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class TdxPrintStyleManager;

// Page filter (NumberOfPages).
inline constexpr std::uint8_t dxPageFilterAll = 0;
inline constexpr std::uint8_t dxPageFilterEven = 1;
inline constexpr std::uint8_t dxPageFilterOdd = 2;

// Page range kinds (PageRangeKind).
enum TdxPageRangeKind : std::uint8_t { prkAll = 0, prkCurrentPage = 1, prkPageRanges = 2, prkSelection = 3 };

// Button bits (ButtonsEnabled, ButtonsVisible).
inline constexpr std::uint8_t pdbPrinterProperties = 0x01;
inline constexpr std::uint8_t pdbNetwork = 0x02;
inline constexpr std::uint8_t pdbPreview = 0x04;
inline constexpr std::uint8_t pdbPageSetup = 0x08;
inline constexpr std::uint8_t pdbDefineStyles = 0x10;
inline constexpr std::uint8_t pdbStyleOptions = 0x20;
inline constexpr std::uint8_t pdbHelp = 0x40;
inline constexpr std::uint8_t pdbAll = 0x7F;

// Option bits (OptionsEnabled, OptionsVisible).
inline constexpr std::uint8_t pdoPrintToFile = 0x01;
inline constexpr std::uint8_t pdoAllPages = 0x02;
inline constexpr std::uint8_t pdoCurrentPage = 0x04;
inline constexpr std::uint8_t pdoSelection = 0x08;
inline constexpr std::uint8_t pdoPageRange = 0x10;
inline constexpr std::uint8_t pdoPrintStyles = 0x20;
inline constexpr std::uint8_t pdoAll = 0x3F;

struct TdxPrintDialogData {
  int Copies = 0;  // 0 prints one copy
  bool Collate = false;
  std::vector<std::string> FileNames;  // print-to-file history, newest first
  std::string FileName;
  int MaxPage = 0;  // -1: no upper check
  int MinPage = 0;
  int PageCount = 0;
  std::uint8_t NumberOfPages = dxPageFilterAll;
  TdxPageRangeKind PageRangeKind = prkAll;
  std::string PageRanges;  // without spaces
  bool PrintToFile = false;
  TdxPrintStyleManager* StyleManager = nullptr;
};

// The dialog's handlers. The page setup handler serves the dialog's page
// setup button when there is no style manager: done is set beforehand and
// answers whether the setup was done, previewChosen is always null from the
// dialog, requested asks the caller to preview.
struct TdxPrintDlgEvents {
  std::function<void(QWidget* dialog)> OnHide;
  std::function<void(QWidget* dialog, bool& done, bool* previewChosen, bool& requested)> OnPageSetup;
  std::function<void(QWidget* dialog)> OnShow;
};

struct TdxPrintDlgData {
  TdxPrintDialogData* DialogData = nullptr;  // in-out
  std::string Title;
  std::uint8_t ButtonsEnabled = 0;
  std::uint8_t ButtonsVisible = 0;
  std::uint8_t OptionsEnabled = 0;
  std::uint8_t OptionsVisible = 0;
  TdxPrintDlgEvents* Events = nullptr;
  bool Validate = false;
  bool Requested = false;  // out: the user asked for the preview

  // Data made by the component printer owns what DialogData and Events
  // point to.
  std::unique_ptr<TdxPrintDialogData> OwnDialogData;
  std::unique_ptr<TdxPrintDlgEvents> OwnEvents;
};

// ---- The print dialog entry -------------------------------------------------------

// Shows the print dialog with the data; true when the user confirmed. The
// dialogs layer installs the dialog at start-up; until then (and after
// dxPSSetShowPrintDialog({})) printing with the dialog behaves as if the
// dialog had been cancelled.
using TdxShowPrintDialogFunc = std::function<bool(TdxPrintDlgData& data)>;
void dxPSSetShowPrintDialog(TdxShowPrintDialogFunc func);
bool dxPSShowPrintDialog(TdxPrintDlgData& data);

// ---- Page ranges ----------------------------------------------------------------------

enum TdxPageRangesCheck {
  prcValid,       // a page list within MinPage..MaxPage
  prcEmpty,       // nothing but blanks: no page list
  prcInvalid,     // not a page list (or too long a one)
  prcOutOfRange,  // a page list beyond MinPage..MaxPage
};

// The most pages a page list may hold; a longer list is not accepted, so that
// a text like 1-2000000000 cannot exhaust memory.
inline constexpr int dxMaxPageListLength = 1000000;

// Parses a page range text such as "1,3,5-12": pieces separated by ",",
// each a page number or "first-last"; pages in input order, duplicates kept;
// a piece with a dash but not two numbers leaves page 0 in its place. False
// (pages cleared) when the text is no page list: blank, a piece that is no
// number, a range that runs backwards, a first page 0, or more than
// dxMaxPageListLength pages.
bool dxPSParsePageRanges(const std::string& text, std::vector<int>& pages);
// Checks against minPage..maxPage (maxPage -1: no upper check) by
// arithmetic, without building the list, so any length of range is judged.
// With pages, the list is also given when it holds at most
// dxMaxPageListLength pages (else pages is empty, and a list in range that
// is too long to hold answers prcInvalid).
TdxPageRangesCheck dxPSCheckPageRanges(const std::string& text, int minPage, int maxPage,
                                       std::vector<int>* pages = nullptr);
