// Edge patterns: border classes that also describe a line pattern, the solid
// edge pattern, and the factory that holds the registered edge patterns with
// the brushes built from them for the screen and the printer.
#pragma once

#include <memory>
#include <vector>

#include "report/CellBorders.h"
#include "report/Singletons.h"

// ---- Edge patterns -------------------------------------------------------------

// A border class that also describes a line pattern: one 32-bit word for the
// even lines (index 0) and one for the odd lines (index 1).
class TdxPSEdgePatternClassInfo : public TdxPSCellBorderClassInfo {
 public:
  using TdxPSCellBorderClassInfo::TdxPSCellBorderClassInfo;
  virtual std::uint32_t PatternBits(int index) const = 0;
  virtual std::string PatternName() const = 0;
  virtual bool AlignsToDevice() const = 0;
  virtual bool ScalesForPrinter() const = 0;
  virtual int PatternSize() const = 0;
};
using TdxPSEdgePatternClass = const TdxPSEdgePatternClassInfo*;

template <class T>
class TdxPSEdgePatternMeta : public TdxPSCellBorderMeta<T, TdxPSEdgePatternClassInfo> {
 public:
  using TdxPSCellBorderMeta<T, TdxPSEdgePatternClassInfo>::TdxPSCellBorderMeta;
  std::uint32_t PatternBits(int index) const override { return T::PatternBits(index); }
  std::string PatternName() const override { return T::PatternName(); }
  bool AlignsToDevice() const override { return T::AlignsToDevice(); }
  bool ScalesForPrinter() const override { return T::ScalesForPrinter(); }
  int PatternSize() const override { return T::PatternSize(); }
};

class TdxPSEdgePattern : public TdxPSCustomCellBorder {
 public:
  template <class T>
  using dxMetaClass = TdxPSEdgePatternMeta<T>;
  DX_CLASS(TdxPSEdgePattern, TdxPSCustomCellBorder)

 public:
  static bool IsSolid() { return false; }
  static std::uint32_t PatternBits(int) { return 0; }
  static std::string PatternName() { return ""; }
  static bool AlignsToDevice() { return true; }
  static bool ScalesForPrinter() { return true; }
  static int PatternSize() { return 8; }
};

// Drawn by the plain painter as a one-line border.
class TdxPSSolidEdgePattern : public TdxPSEdgePattern {
  DX_CLASS(TdxPSSolidEdgePattern, TdxPSEdgePattern)

 public:
  static int Thickness() { return 1; }
  static bool IsSolid() { return true; }
  static std::uint32_t PatternBits(int) { return 0xFFFFFFFFu; }
  static std::string PatternName() { return "Solid"; }
  static bool AlignsToDevice() { return false; }
  static bool ScalesForPrinter() { return false; }
};

TdxPSEdgePatternClass dxAsEdgePatternClass(TdxClass cls);

// The two brushes of an edge pattern: for horizontal and for vertical edges.
class TdxPSEdgePatternItem {
 public:
  TdxPSEdgePatternItem(TdxPSEdgePatternClass pattern, int printerPixelsPerInch);
  TdxPSEdgePatternClass Pattern() const { return pattern_; }
  const TBrush& HorzBrush() const { return horz_; }
  const TBrush& VertBrush() const { return vert_; }

 private:
  TdxPSEdgePatternClass pattern_;
  TBrush horz_;
  TBrush vert_;
};
class TdxPSEdgePatternFactory : public TBasedxPSSingleton {
  DX_SINGLETON(TdxPSEdgePatternFactory, TBasedxPSSingleton)

 public:
  // Appends the pattern (once) and registers it for streams.
  void Register(TdxPSEdgePatternClass pattern);
  void Unregister(TdxPSEdgePatternClass pattern);
  int Count() const { return int(patterns_.size()); }
  TdxPSEdgePatternClass Patterns(int index) const;
  int IndexOf(TdxPSEdgePatternClass pattern) const;
  // Raises EdxPrintEngine "Pattern "%s" is not registered"; null for none.
  TdxPSEdgePatternItem* GetItem(TdxPSEdgePatternClass pattern, bool forPrinter);
  void ResetPrinterItems();
  void SetPrinterPixelsPerInch(int ppi) { printerPPI_ = ppi; }

 protected:
  void InitializeInstance() override;
  void FinalizeInstance() override;

 private:
  std::vector<TdxPSEdgePatternClass> patterns_;
  std::vector<std::unique_ptr<TdxPSEdgePatternItem>> screenItems_;
  std::vector<std::unique_ptr<TdxPSEdgePatternItem>> printerItems_;
  int printerPPI_ = 0;
};
