// Print styles and the print style manager.
//
// A print style is a named set of page settings (one printer page) with
// permissions that lock parts of the page setup dialog. A style manager keeps
// an ordered list of styles and one current style; a report link whose
// StyleManager is set takes its page from the manager's current style.
//
// TdxPrintStyle is the common base that the engine knows by name only (the
// report link reaches styles through dxPSPrintStyleServices()); the styles
// themselves are TBasedxPrintStyle and its descendants. Styles and managers
// are components: QObjects owned by their owner. A manager does not own its
// styles: they belong to the manager's owner (to the manager itself when it
// has none), and destroying a style takes it out of its manager's list.
//
// Start-up: dxPSRegisterPrintStyles() registers the two style classes and the
// preview's print styles menu builder, and installs the engine's print-style
// services; it is idempotent.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ReportLink.h"
#include "layout/PrinterPage.h"
#include "platform/Graphics.h"
#include "platform/SettingsChangeWatch.h"

class TBasedxPrintStyle;
class TdxPrintStyleManager;
class TdxPageSetupDialog;  // the page setup dialog component
class TCustomImageList;
class TdxPaperInfo;

namespace dxPSPrintStyleMessages {
inline constexpr const char* BaseStyleCaption = "Base Style";
inline constexpr const char* StandardStyleCaption = "Standard Style";
inline constexpr const char* CloneStyleCaptionPrefix = "Copy (%d) of ";
inline constexpr const char* DefinePrintStylesTitle = "Define Print Styles";
// %s: the file name, then the reason.
inline constexpr const char* CannotLoadStyles =
    "Cannot load print styles from \"%s\".\n%s\nThe previous print styles are kept.";
inline constexpr const char* CannotSaveStyles = "Cannot save print styles to \"%s\": %s";
inline constexpr const char* StyleFileTooLarge = "file too large";
}  // namespace dxPSPrintStyleMessages

// Longest caption of a first copy (characters); numbered copies are not cut.
inline constexpr int dxPSMaxCloneCaptionLength = 31;

// ---- The common base the engine sees -------------------------------------------------

class TdxPrintStyle : public QObject, public TdxObject {
  DX_CLASS(TdxPrintStyle, TdxObject)

 public:
  explicit TdxPrintStyle(QObject* owner = nullptr) : QObject(owner) {}
  virtual TdxPrinterPage& PrinterPage() = 0;
  virtual TdxPrintStyleManager* StyleManager() const = 0;
};

// ---- The style's printer page ----------------------------------------------------------

class TdxPrintStylePrinterPage : public TdxPrinterPage {
  DX_CLASS(TdxPrintStylePrinterPage, TdxPrinterPage)

 public:
  explicit TdxPrintStylePrinterPage(TBasedxPrintStyle* style = nullptr) : style_(style) {}
  TdxObject* Owner() const override;
  bool IsOwnerLoading() const override;
  // Passes the codes to the style unless locked.
  void PageParamsChanged(TdxPageUpdateCodes codes) override;
  TBasedxPrintStyle* PrintStyle() const { return style_; }

 private:
  TBasedxPrintStyle* style_ = nullptr;
};

// ---- Print styles ----------------------------------------------------------------------

using TdxFilterPaperEvent = std::function<void(TBasedxPrintStyle& sender, const TdxPaperInfo& paper, bool& isSupported)>;

class TBasedxPrintStyle : public TdxPrintStyle {
  DX_CLASS(TBasedxPrintStyle, TdxPrintStyle)

 public:
  explicit TBasedxPrintStyle(QObject* owner = nullptr);
  ~TBasedxPrintStyle() override;
  TBasedxPrintStyle(const TBasedxPrintStyle&) = delete;
  TBasedxPrintStyle& operator=(const TBasedxPrintStyle&) = delete;

  // ---- Published properties ----
  bool AllowChangeHFText = true;
  bool AllowChangeMargins = true;
  bool AllowChangeOrientation = true;
  bool AllowChangePaper = true;
  bool AllowChangeScale = true;
  bool AllowCustomPaperSizes = true;
  std::string Description;
  int ImageIndex = -1;
  bool ShowPageSetupDlg = false;  // stored only
  // Position in the manager's list (-1 without one); setting moves the style,
  // clamped to the list.
  int Index() const;
  void SetIndex(int value);
  bool IsCurrentStyle() const;
  // True (outside loading, with a manager) makes the style current; False
  // does nothing.
  void SetIsCurrentStyle(bool value);
  TdxPrinterPage& PrinterPage() override { return *printerPage_; }
  const TdxPrinterPage& PrinterPage() const { return *printerPage_; }
  void SetPrinterPage(const TdxPrinterPage& value);  // copies the values
  const std::string& StyleCaption() const { return styleCaption_; }
  void SetStyleCaption(const std::string& value) { styleCaption_ = value; }
  const TBitmap& StyleGlyph() const { return *styleGlyph_; }
  void SetStyleGlyph(const TBitmap& value);  // copies
  // Joins the manager's list (leaves the old one); none leaves.
  TdxPrintStyleManager* StyleManager() const override { return manager_; }
  void SetStyleManager(TdxPrintStyleManager* manager);
  // Created inside a design environment; its name cannot be edited.
  bool BuiltIn() const { return builtIn_; }
  void SetBuiltIn(bool value) { builtIn_ = value; }
  // Set by the manager's CloneStyle until FinishClone.
  bool IsCloning() const { return cloning_; }

  std::function<void(TBasedxPrintStyle&)> OnDestroy;
  TdxFilterPaperEvent OnFilterPaper;

  // ---- Operations ----
  // Copies the six permissions, Description, ImageIndex, the page values,
  // the glyph and the caption.
  virtual void Assign(const TBasedxPrintStyle& source);
  // The link's own printer page values.
  void Assign(TBasedxReportLink& link) { SetPrinterPage(link.PrinterPage()); }
  // True without a handler; the page's own paper kind is always accepted.
  virtual bool FilterPaper(const TdxPaperInfo& paper);
  bool HasOptions() const;
  // Runs the registered options dialog on a copy; when accepted the copy is
  // assigned back.
  bool EditOptions();
  // The page setup dialog (installed by the dialog through
  // dxPSPrintStyleDialogs()); false while none is installed.
  bool PageSetup(int activePageIndex = 0, bool* previewChosen = nullptr, bool* printChosen = nullptr);
  // From the style's page: forwarded to the manager.
  virtual void PageParamsChanged(TdxPageUpdateCodes codes);
  // A system settings change: the page checks its locale units.
  virtual void SettingsChanged() { printerPage_->CheckLocaleUnits(); }

  // Bracket of reading the style from storage (page hooks are suspended).
  bool IsLoading() const { return loading_; }
  void BeginLoading() { loading_ = true; }
  void EndLoading() { loading_ = false; }

  // Storage: the published properties and those of the page ("PrinterPage."
  // prefix), then "BuiltInStyle". ReadProperty takes one of them; a page
  // property goes to pageTarget (the page the stored values are collected in).
  virtual void WriteProperties(TdxPropertyWriter& writer) const;
  virtual void ReadProperty(const std::string& name, const TdxPropertyValue& value, TdxPrinterPage& pageTarget);

 protected:
  // The class's own caption, for the constructor.
  void SetDefaultCaption(const std::string& caption) { styleCaption_ = caption; }

 private:
  friend class TdxPrintStyleManager;
  std::unique_ptr<TdxPrintStylePrinterPage> printerPage_;
  std::unique_ptr<TBitmap> styleGlyph_;
  std::string styleCaption_;
  TdxPrintStyleManager* manager_ = nullptr;
  bool builtIn_ = false;
  bool cloning_ = false;
  bool loading_ = false;
};

// The standard style: page number in the centre and the date at the right of
// the page footer, and notifications raised around building and printing.
class TdxPSPrintStyle : public TBasedxPrintStyle {
  DX_CLASS(TdxPSPrintStyle, TBasedxPrintStyle)

 public:
  explicit TdxPSPrintStyle(QObject* owner = nullptr);

  std::function<void(TdxPSPrintStyle&)> OnBeforeGenerating, OnAfterGenerating, OnBeforePrinting, OnAfterPrinting;
  virtual void DoBeforeGenerating();
  virtual void DoAfterGenerating();
  virtual void DoBeforePrinting();
  virtual void DoAfterPrinting();
};

// The glyph of the standard style (32 x 32).
const TBitmap& dxPSStandardStyleGlyph();

// ---- Registry of style classes -----------------------------------------------------

// An options dialog of a style class: edits the style it is given.
class TdxPrintStyleOptionsDialog : public TdxObject {
  DX_CLASS(TdxPrintStyleOptionsDialog, TdxObject)

 public:
  virtual bool Execute(TBasedxPrintStyle& style) = 0;
};

struct TdxPrintStyleClassEntry {
  TdxClass StyleClass;
  TdxClass OptionsDialogClass;  // none: the style has no options
};

// A class already registered with the same dialog class is left alone.
// Registration enters the class in the stream class list.
void RegisterPrintStyleClass(TdxClass styleClass, TdxClass optionsDialogClass = nullptr, bool makeDefault = false);
void UnregisterPrintStyleClass(TdxClass styleClass, TdxClass optionsDialogClass = nullptr);
TdxClass DefaultPrintStyleClass();
const std::vector<TdxPrintStyleClassEntry>& dxPSPrintStyleClasses();
// Whether cls is a registered style class.
bool dxPSIsPrintStyleClass(TdxClass cls);

// Registers TBasedxPrintStyle and TdxPSPrintStyle (the default) and installs
// the engine's print-style services. Safe to call more than once.
void dxPSRegisterPrintStyles();

// ---- Dialog entry points (installed by the dialogs) -------------------------------

struct TdxPrintStyleDialogs {
  // The page setup dialog on a style.
  std::function<bool(TBasedxPrintStyle& style, int activePageIndex, bool* previewChosen, bool* printChosen)> PageSetup;
  // The print style definition window.
  std::function<bool(TdxPrintStyleManager& manager, bool* previewChosen, bool* printChosen)> DefinePrintStyles;
};
TdxPrintStyleDialogs& dxPSPrintStyleDialogs();

// ---- The style manager ------------------------------------------------------------------

class TdxPrintStyleManager : public QObject, public TdxObject {
  DX_CLASS(TdxPrintStyleManager, TdxObject)

 public:
  explicit TdxPrintStyleManager(QObject* owner = nullptr);
  ~TdxPrintStyleManager() override;
  TdxPrintStyleManager(const TdxPrintStyleManager&) = delete;
  TdxPrintStyleManager& operator=(const TdxPrintStyleManager&) = delete;

  // ---- Published properties ----
  // Created on first use with the default auto-text entries; duplicates
  // (case ignored) are not added. Changes publish TdxHFTextEntriesChangedEvent.
  const std::vector<std::string>& AutoHFTextEntries();
  void SetAutoHFTextEntries(const std::vector<std::string>& entries);
  bool AddAutoHFTextEntry(const std::string& entry);  // false for a duplicate
  void DeleteAutoHFTextEntry(int index);               // nothing out of range
  bool AutoSave = false;
  std::string CloneStyleCaptionPrefix = dxPSPrintStyleMessages::CloneStyleCaptionPrefix;
  TBasedxPrintStyle* CurrentStyle() const { return currentStyle_; }
  // Only a member of the list becomes current.
  void SetCurrentStyle(TBasedxPrintStyle* style);
  int HelpContext = 0;
  TCustomImageList* Images = nullptr;
  TdxPageSetupDialog* PageSetupDialog = nullptr;
  std::string StorageName;
  std::string Title = dxPSPrintStyleMessages::DefinePrintStylesTitle;
  int Version = 0;
  std::function<void(TdxPrintStyleManager&)> OnChangeCurrentStyle;
  std::function<void(TdxPrintStyleManager&)> OnStyleListChanged;

  // ---- The list ----
  int Count() const { return int(styles_.size()); }
  TBasedxPrintStyle* Styles(int index) const;  // none out of range
  int IndexOfStyle(const TBasedxPrintStyle* style) const;
  // The first style whose component name equals name, case ignored.
  TBasedxPrintStyle* StyleByName(const std::string& name) const;
  // A new style of the class, owned by the manager's owner; none without a
  // class. The first style becomes current.
  TBasedxPrintStyle* AddStyle(TdxClass styleClass);
  // A copy of the style at index (index -1: a new style of the default
  // class) placed after it, captioned by the copy rule; opens an update
  // bracket that FinishClone closes. None for an index outside -1..Count-1.
  TBasedxPrintStyle* CloneStyle(int index);
  void FinishClone(TBasedxPrintStyle* style);
  // The caption a copy of a style captioned sourceCaption gets here
  // (exclude: the copy itself, which does not count as another style).
  std::string CloneCaption(const std::string& sourceCaption, const TBasedxPrintStyle* exclude = nullptr) const;
  void DeleteStyle(int index);  // destroys it; nothing out of range
  void Clear();                 // destroys all, the last first, in one bracket
  void DeleteNonBuiltInStyles();
  bool HasNonBuiltInStyles() const;
  int CurrentStyleIndex() const { return IndexOfStyle(currentStyle_); }
  void SetCurrentStyleIndex(int value);  // clamped to the list

  // ---- Update bracket ----
  // While updating no list or current-style notification is raised; the last
  // EndUpdate raises the list notification, then the current-style one.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  bool IsUpdating() const { return updateCount_ > 0; }
  bool IsLoading() const { return loading_; }
  bool IsDestroying() const { return destroying_; }

  // ---- Storage ----
  // File: Version and the current style index (32-bit little-endian), then
  // the manager with its styles in the component-stream format.
  // SaveToFile does nothing for a name that fails the file-name test and
  // writes through a temporary file, so a failed save leaves the old file as
  // it was; failures pass to the caller. Answers whether it wrote.
  bool SaveToFile(const std::string& fileName);
  TBytes SaveToBytes() const;
  // Nothing when the file does not exist. A file of another version is
  // ignored; a damaged (or unreadable) one is reported with MessageError and
  // the previous styles stay. Answers whether styles were loaded.
  bool LoadFromFile(const std::string& fileName);
  // As LoadFromFile on bytes; raises EReadError for damaged data (the
  // previous styles stay). False for another version.
  bool LoadFromBytes(TByteView data);
  // After the manager itself was set up (a form description read): the
  // auto-text entries from the registry and, with AutoSave, the styles from
  // StorageName (outside a design environment).
  void Loaded();

  // ---- Other ----
  // Runs the definition window (when installed); afterwards the list and
  // current-style notifications are raised from the event loop.
  bool DefinePrintStyles(bool* previewChosen = nullptr, bool* printChosen = nullptr);
  // System settings changed (the application was sent QEvent::LocaleChange):
  // the default page is reset and every style's page checks its units.
  void SettingsChanged();
  // The registry key of the auto-text entries (empty when not kept).
  std::string AutoHFTextEntriesKey() const;

 private:
  friend class TBasedxPrintStyle;
  friend void dxPSRegisterPrintStyles();
  void InsertStyle(TBasedxPrintStyle* style, int index);
  void RemoveStyle(TBasedxPrintStyle* style);
  void MoveStyle(TBasedxPrintStyle* style, int index);
  QObject* StyleOwner();
  // Any style (or none) becomes current: the page-parameter notification
  // with all codes, then the current-style notification.
  void SelectCurrentStyle(TBasedxPrintStyle* style);
  void StyleListChanged();
  void NotifyCurrentStyle();
  void StylePageParamsChanged(TBasedxPrintStyle* style, TdxPageUpdateCodes codes);
  bool NotificationsSuppressed() const { return updateCount_ > 0 || loading_ || destroying_; }
  void EnsureAutoHFTextEntries();
  void AutoHFTextEntriesChanged();
  void ReadAutoHFTextEntries();
  void WriteAutoHFTextEntries();
  void AttachLink(TBasedxReportLink* link);
  void DetachLink(TBasedxReportLink* link);

  std::vector<TBasedxPrintStyle*> styles_;
  TSettingsChangeWatch settingsWatch_{[this] { SettingsChanged(); }};
  TBasedxPrintStyle* currentStyle_ = nullptr;
  std::unique_ptr<std::vector<std::string>> autoHFTextEntries_;
  std::vector<TBasedxReportLink*> links_;
  int updateCount_ = 0;
  bool loading_ = false;
  bool destroying_ = false;
  bool savedOnDestroy_ = false;
};
