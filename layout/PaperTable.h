// The standard paper table: every paper kind the platform numbers, with its
// size in tenths of a millimetre (portrait), independent of any printer. The
// page model turns a paper kind into a page size with it, and a page size
// back into a paper kind.
#pragma once

#include <string>
#include <vector>

#include "platform/Types.h"

// One row of the table.
class TdxPaper {
 public:
  TdxPaper() = default;
  TdxPaper(std::string name, std::string shortName, int dmPaper, int width, int height)
      : Name(std::move(name)), ShortName(std::move(shortName)), DMPaper(dmPaper), Size{width, height} {}
  // Copies all five fields.
  void Assign(const TdxPaper& source) { *this = source; }

  std::string Name;       // short name and dimensions, e.g. "A4 210 x 297 mm"
  std::string ShortName;  // e.g. "A4"
  int DMPaper = 0;        // paper kind; 256 and above: user-defined
  TPoint Size;            // X = width, Y = height, tenths of a mm, portrait
};

// The table. Rows are ordered by increasing kind, so first-match lookups
// prefer the lower kind (A4 before A4 Small, Letter before Letter Small);
// the "Custom" row (256, no size) is always last.
class TdxPapers {
 public:
  TdxPapers();  // filled with the standard rows

  // Clears the list and copies every row of source (nothing: stays empty).
  void Assign(const TdxPapers* source);
  void Clear() { items_.clear(); }
  void Add(const TdxPaper& paper) { items_.push_back(paper); }

  int Count() const { return int(items_.size()); }
  // Row by index; raises "List index out of bounds (%d)" out of range.
  const TdxPaper& Items(int index) const;
  const TdxPaper& operator[](int index) const { return Items(index); }

  // Index of the first row of that kind, else -1.
  int FindKind(int kind) const;
  // Index of the first row whose width and height are each within 1 (tenth
  // of a mm) of the given ones, else -1.
  int FindSize(int width, int height) const;

 private:
  std::vector<TdxPaper> items_;
};

// The process-wide table, created and filled on first use.
TdxPapers& GetStandardPapers();
