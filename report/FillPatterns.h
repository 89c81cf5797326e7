// Fill patterns: the solid, gray and hatch patterns with their class
// operations, and the factory that holds the registered fill patterns with
// the brushes built from them for the screen and the printer.
#pragma once

#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Types.h"
#include "report/ClassInfo.h"
#include "report/Singletons.h"

// ---- Fill patterns -------------------------------------------------------------

class TdxPSFillPatternClassInfo : public TdxClassInfo {
 public:
  using TdxClassInfo::TdxClassInfo;
  // Rows of the 8 x 8 pattern, top to bottom: bit c of a row is column c; a
  // 1 bit is a background pixel, a 0 bit a foreground pixel. Empty: none.
  virtual std::span<const std::uint16_t> PatternBits() const = 0;
  virtual std::string PatternName() const = 0;
  virtual bool AlignsToDevice() const = 0;
  virtual bool ScalesForPrinter() const = 0;
  virtual bool IsSolid() const = 0;
  TSize PatternSize() const { return {8, 8}; }
};
using TdxPSFillPatternClass = const TdxPSFillPatternClassInfo*;

template <class T, class Base = TdxPSFillPatternClassInfo>
class TdxPSFillPatternMeta : public Base {
 public:
  using Base::Base;
  std::span<const std::uint16_t> PatternBits() const override { return T::PatternBits(); }
  std::string PatternName() const override { return T::PatternName(); }
  bool AlignsToDevice() const override { return T::AlignsToDevice(); }
  bool ScalesForPrinter() const override { return T::ScalesForPrinter(); }
  bool IsSolid() const override { return T::IsSolid(); }
};

class TdxPSFillPattern : public TdxObject {
 public:
  template <class T>
  using dxMetaClass = TdxPSFillPatternMeta<T>;
  DX_CLASS(TdxPSFillPattern, TdxObject)

 public:
  static std::span<const std::uint16_t> PatternBits() { return {}; }
  static std::string PatternName() { return ""; }
  static bool AlignsToDevice() { return true; }
  static bool ScalesForPrinter() { return true; }
  static bool IsSolid() { return false; }
};

class TdxPSSolidFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSSolidFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "Solid"; }
  static bool AlignsToDevice() { return false; }
  static bool ScalesForPrinter() { return false; }
  static bool IsSolid() { return true; }
};

class TdxPSGray50FillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSGray50FillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "50% Gray"; }
};

// The fill pattern class of cls when it is one; null otherwise.
TdxPSFillPatternClass dxAsFillPatternClass(TdxClass cls);
// The fill pattern registered under name; TdxPSSolidFillPattern when the name
// is "nil", unknown or names no fill pattern.
TdxPSFillPatternClass dxFillPatternClassByName(const std::string& name);

class TdxPSHorizontalFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSHorizontalFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "Horizontal"; }
};

class TdxPSVerticalFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSVerticalFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "Vertical"; }
};

class TdxPSFDiagonalFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSFDiagonalFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "FDiagonal"; }
};

class TdxPSBDiagonalFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSBDiagonalFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "BDiagonal"; }
};

class TdxPSCrossFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSCrossFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "Cross"; }
};

class TdxPSDiagCrossFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSDiagCrossFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "DiagCros"; }
};

// ---- Pattern factories ---------------------------------------------------------

// The brush of one fill pattern for one target: a monochrome bitmap (white
// pixels take the fill's background colour, black ones its foreground).
class TdxPSFillPatternItem {
 public:
  // printerPixelsPerInch > 0: the printer item, stretched by that resolution
  // over the screen's when the pattern scales for the printer.
  TdxPSFillPatternItem(TdxPSFillPatternClass pattern, int printerPixelsPerInch);
  TdxPSFillPatternClass Pattern() const { return pattern_; }
  const QImage& Bitmap() const { return brush_.Bitmap; }
  const TBrush& Brush() const { return brush_; }

 private:
  TdxPSFillPatternClass pattern_;
  TBrush brush_;
};

// Registered fill patterns (in order of registration, the built-in ones
// first) with their screen and printer items, built on first request.
class TdxPSFillPatternFactory : public TBasedxPSSingleton {
  DX_SINGLETON(TdxPSFillPatternFactory, TBasedxPSSingleton)

 public:
  // Appends the pattern (once) and registers it for streams.
  void Register(TdxPSFillPatternClass pattern);
  // Removes the pattern and frees its items.
  void Unregister(TdxPSFillPatternClass pattern);
  int Count() const { return int(patterns_.size()); }
  TdxPSFillPatternClass Patterns(int index) const;  // null out of range
  int IndexOf(TdxPSFillPatternClass pattern) const;
  // The item of pattern for the screen or the printer; null for no pattern.
  // Raises EdxPrintEngine "Pattern "%s" is not registered".
  TdxPSFillPatternItem* GetItem(TdxPSFillPatternClass pattern, bool forPrinter);
  // Frees every printer item (rebuilt on next request).
  void ResetPrinterItems();
  // Vertical pixels per inch of the print device the printer items are
  // built for (the screen's until set).
  void SetPrinterPixelsPerInch(int ppi) { printerPPI_ = ppi; }
  int PrinterPixelsPerInch() const { return printerPPI_; }

 protected:
  void InitializeInstance() override;
  void FinalizeInstance() override;

 private:
  std::vector<TdxPSFillPatternClass> patterns_;
  std::vector<std::unique_ptr<TdxPSFillPatternItem>> screenItems_;
  std::vector<std::unique_ptr<TdxPSFillPatternItem>> printerItems_;
  int printerPPI_ = 0;
};
