// Header and footer functions: the bracketed tokens ("[Page #]", "[Total
// Pages]", "[Date Printed]", ...) that header and footer titles may hold, the
// library that finds them in a text and replaces them by their values, the
// shared object that carries those values (page numbers, page-number format,
// date and time with their formats, user and machine name), the default
// lists of date, time and page-number formats and the auto-text entries
// (ready-made three-part titles).
//
// Page numbers are converted by report/EngineUtilities (PageNumberToText and the
// letter and Roman conversions). A function's value is inserted with one
// blank on each side: "Page [Page #]" on page 3 becomes "Page  3 ".
//
// The standard functions themselves and the standard library that holds them
// are in layout/StandardHeaderFooterFunctions.h.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Graphics.h"
#include "report/ClassInfo.h"
#include "report/EngineUtilities.h"

// ---- Categories (classes without data) -------------------------------------------

class TdxHFFunctionUnknownCategory : public TdxObject {
  DX_CLASS(TdxHFFunctionUnknownCategory, TdxObject)
};
class TdxHFFunctionPagesCategory : public TdxHFFunctionUnknownCategory {
  DX_CLASS(TdxHFFunctionPagesCategory, TdxHFFunctionUnknownCategory)
};
class TdxHFFunctionDateTimeCategory : public TdxHFFunctionUnknownCategory {
  DX_CLASS(TdxHFFunctionDateTimeCategory, TdxHFFunctionUnknownCategory)
};
class TdxHFFunctionAuthenticationCategory : public TdxHFFunctionUnknownCategory {
  DX_CLASS(TdxHFFunctionAuthenticationCategory, TdxHFFunctionUnknownCategory)
};

// ---- The values functions format ----------------------------------------------------

class TdxHFFunctionFormatObject {
 public:
  // Reads the user and machine names once.
  TdxHFFunctionFormatObject();

  int CurrentPage = 0;         // 1-based number of the page being drawn
  std::string DateFormat;      // date picture
  double DateTime = 0;         // the moment shown as printed (days since 1899-12-30)
  std::string MachineName;
  TdxPageNumberFormat PageNumberFormat = pnfNumeral;
  int StartPageIndex = 0;      // number of the first page
  std::string TimeFormat;      // time picture
  int TotalPages = 0;
  std::string UserName;
};

// ---- Functions ------------------------------------------------------------------------

// Class operations of functions.
class TdxHFFunctionClassInfo : public TdxClassInfo {
 public:
  using TdxClassInfo::TdxClassInfo;
  virtual TdxClass Category() const = 0;
  virtual std::string DisplayName() const = 0;
};

template <class T>
class TdxHFFunctionMeta : public TdxHFFunctionClassInfo {
 public:
  using TdxHFFunctionClassInfo::TdxHFFunctionClassInfo;
  TdxClass Category() const override { return T::ClassCategory(); }
  std::string DisplayName() const override { return T::ClassDisplayName(); }
};

class TdxHFFunction : public TdxObject {
 public:
  template <class T>
  using dxMetaClass = TdxHFFunctionMeta<T>;
  DX_CLASS(TdxHFFunction, TdxObject)

 public:
  TdxHFFunction() = default;
  TdxHFFunction(const TdxHFFunction&) = delete;
  TdxHFFunction& operator=(const TdxHFFunction&) = delete;

  // Token, hint and glyph.
  virtual void Assign(const TdxHFFunction& source);
  // The value of the function (the base: the text itself).
  virtual std::string Evaluate(const std::string& text, const TdxHFFunctionFormatObject& format) const;
  // Evaluate; without a format object the text unchanged.
  virtual std::string ProcessText(const std::string& text, const TdxHFFunctionFormatObject* format) const;

  static TdxClass ClassCategory() { return TdxHFFunctionUnknownCategory::StaticClass(); }
  static std::string ClassDisplayName() { return "Unknown"; }
  // Of this object's class.
  TdxClass Category() const;
  std::string DisplayName() const;

  // The tool-bar picture (16 x 16, transparent colour in the bottom-left
  // pixel); drawn on first use, empty for functions without one.
  const TBitmap& Glyph() const;
  TBitmap& Glyph();
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value) { hint_ = value; }
  // The token text wrapped in "[" and "]" (a bracket already present at
  // either end is not doubled).
  const std::string& Token() const { return token_; }
  void SetToken(const std::string& value);

 protected:
  // Draws the glyph of the class into a 16 x 16 image; false: no glyph.
  virtual bool DrawGlyph(QImage& image) const { return false; }

 private:
  void EnsureGlyph() const;
  mutable std::unique_ptr<TBitmap> glyph_;
  mutable bool glyphDone_ = false;
  std::string hint_;
  std::string token_;
};

using TdxHFFunctionClass = const TdxHFFunctionClassInfo*;

// Category classes for page numbers, date and time, user and machine.
class TdxHFPagesFunctions : public TdxHFFunction {
  DX_CLASS(TdxHFPagesFunctions, TdxHFFunction)

 public:
  static TdxClass ClassCategory() { return TdxHFFunctionPagesCategory::StaticClass(); }
};
class TdxHFDateTimeFunctions : public TdxHFFunction {
  DX_CLASS(TdxHFDateTimeFunctions, TdxHFFunction)

 public:
  static TdxClass ClassCategory() { return TdxHFFunctionDateTimeCategory::StaticClass(); }
};
class TdxHFAuthenticationFunctions : public TdxHFFunction {
  DX_CLASS(TdxHFAuthenticationFunctions, TdxHFFunction)

 public:
  static TdxClass ClassCategory() { return TdxHFFunctionAuthenticationCategory::StaticClass(); }
};

// ---- The library ----------------------------------------------------------------------

class TdxHFFunctionLibrary : public TdxObject {
  DX_CLASS(TdxHFFunctionLibrary, TdxObject)

 public:
  TdxHFFunctionLibrary();
  ~TdxHFFunctionLibrary() override;
  TdxHFFunctionLibrary(const TdxHFFunctionLibrary&) = delete;
  TdxHFFunctionLibrary& operator=(const TdxHFFunctionLibrary&) = delete;

  // Clears, then adds one function of each class the source holds, in order.
  virtual void Assign(const TdxHFFunctionLibrary& source);
  // Creates a function of the class (raises EdxPrintEngine for a class that
  // is no function) and appends (its token, it).
  TdxHFFunction* AddFunction(TdxClass functionClass);
  void Delete(int index);  // frees the function; nothing out of range
  void Clear();
  int Count() const { return int(items_.size()); }
  TdxHFFunction* Functions(int index) const;  // null out of range
  const std::string& Tokens(int index) const;  // empty out of range
  // By token, ignoring case; -1 when none.
  int IndexOfToken(const std::string& token) const;
  // By exact class; -1 / null when none.
  int IndexOfFunctionClass(TdxClass functionClass) const;
  TdxHFFunction* FunctionByClass(TdxClass functionClass) const;
  // Calls the procedure for every function in order (nothing without one).
  void ForEachFunction(const std::function<void(TdxHFFunctionLibrary&, TdxHFFunction&)>& procedure);
  // Appends (token, function) for every function.
  void FillFunctionList(std::vector<std::pair<std::string, TdxHFFunction*>>& list) const;
  // Replaces every known token of text by " " + value + " " (see the
  // implementation for the scanning rules); unknown bracketed texts stay.
  virtual std::string ProcessText(const std::string& text, const TdxHFFunctionFormatObject* format) const;

 private:
  std::vector<std::pair<std::string, std::unique_ptr<TdxHFFunction>>> items_;
};

// ---- Process-wide objects ---------------------------------------------------------------

// The standard library and the shared format object, created on first use
// and kept for the whole run.
TdxHFFunctionLibrary* GetHFFunctionLibrary();
TdxHFFunctionFormatObject* GetHFFormatObject();
// ProcessText of the standard library with the shared format object.
std::string ExpandHFText(const std::string& text);

// ---- Format lists -----------------------------------------------------------------------

// Built once, on first use, from the locale's settings at that moment.
const std::vector<std::string>& DateFormatList();
const std::vector<std::string>& TimeFormatList();
// "1, 2, 3, 4, 5, ...", ... (index = TdxPageNumberFormat ordinal).
const std::vector<std::string>& PageNumberFormatList();
// The lists from given locale settings: the short and long date pictures and
// the date separator; whether hours have a leading zero.
std::vector<std::string> dxBuildDateFormatList(const std::string& shortFormat, const std::string& longFormat,
                                               const std::string& separator);
std::vector<std::string> dxBuildTimeFormatList(bool leadingZero);

// ---- Auto text --------------------------------------------------------------------------

// Appends the default entries (each only when its functions are in the
// standard library), e.g. "[User Name], Page [Page #], [Date Printed]".
void DefaultAutoTextEntries(std::vector<std::string>& entries);
// The three comma-separated parts of an entry, without surrounding blanks;
// missing parts are empty.
void SplitAutoTextEntry(const std::string& entry, std::string& left, std::string& center, std::string& right);
