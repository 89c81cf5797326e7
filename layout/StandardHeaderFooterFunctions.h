// The standard header and footer functions: page number, total pages, page of
// pages, date and time, date, time, user name and machine name, and the
// standard library that holds one of each.
#pragma once

#include <QImage>
#include <string>

#include "layout/HeaderFooterFunctions.h"

// "[Page #]": start page index + current page - 1 in the page-number format.
class TdxHFPageNumberFunction : public TdxHFPagesFunctions {
  DX_CLASS(TdxHFPageNumberFunction, TdxHFPagesFunctions)

 public:
  TdxHFPageNumberFunction();
  std::string Evaluate(const std::string& text, const TdxHFFunctionFormatObject& format) const override;
  static std::string ClassDisplayName() { return "Page Number"; }

 protected:
  bool DrawGlyph(QImage& image) const override;
};

// "[Total Pages]": start page index + total pages - 1 in the page-number format.
class TdxHFTotalPagesFunction : public TdxHFPagesFunctions {
  DX_CLASS(TdxHFTotalPagesFunction, TdxHFPagesFunctions)

 public:
  TdxHFTotalPagesFunction();
  std::string Evaluate(const std::string& text, const TdxHFFunctionFormatObject& format) const override;
  static std::string ClassDisplayName() { return "Total Pages"; }

 protected:
  bool DrawGlyph(QImage& image) const override;
};

// "[Page # of Pages #]": page, " Of ", total.
class TdxHFPageOfPagesFunction : public TdxHFPagesFunctions {
  DX_CLASS(TdxHFPageOfPagesFunction, TdxHFPagesFunctions)

 public:
  TdxHFPageOfPagesFunction();
  std::string Evaluate(const std::string& text, const TdxHFFunctionFormatObject& format) const override;
  static std::string ClassDisplayName() { return "Page # of Pages #"; }

 protected:
  bool DrawGlyph(QImage& image) const override;
};

// "[Date & Time Printed]": date text, " ", time text.
class TdxHFDateTimeFunction : public TdxHFDateTimeFunctions {
  DX_CLASS(TdxHFDateTimeFunction, TdxHFDateTimeFunctions)

 public:
  TdxHFDateTimeFunction();
  std::string Evaluate(const std::string& text, const TdxHFFunctionFormatObject& format) const override;
  static std::string ClassDisplayName() { return "Date and Time"; }

 protected:
  bool DrawGlyph(QImage& image) const override;
};

// "[Date Printed]": the date-time by the date picture.
class TdxHFDateFunction : public TdxHFDateTimeFunctions {
  DX_CLASS(TdxHFDateFunction, TdxHFDateTimeFunctions)

 public:
  TdxHFDateFunction();
  std::string Evaluate(const std::string& text, const TdxHFFunctionFormatObject& format) const override;
  static std::string ClassDisplayName() { return "Date"; }

 protected:
  bool DrawGlyph(QImage& image) const override;
};

// "[Time Printed]": the date-time by the time picture.
class TdxHFTimeFunction : public TdxHFDateTimeFunctions {
  DX_CLASS(TdxHFTimeFunction, TdxHFDateTimeFunctions)

 public:
  TdxHFTimeFunction();
  std::string Evaluate(const std::string& text, const TdxHFFunctionFormatObject& format) const override;
  static std::string ClassDisplayName() { return "Time"; }

 protected:
  bool DrawGlyph(QImage& image) const override;
};

// "[User Name]"
class TdxHFUserNameFunction : public TdxHFAuthenticationFunctions {
  DX_CLASS(TdxHFUserNameFunction, TdxHFAuthenticationFunctions)

 public:
  TdxHFUserNameFunction();
  std::string Evaluate(const std::string& text, const TdxHFFunctionFormatObject& format) const override;
  static std::string ClassDisplayName() { return "User Name"; }

 protected:
  bool DrawGlyph(QImage& image) const override;
};

// "[Machine Name]"
class TdxHFMachineNameFunction : public TdxHFAuthenticationFunctions {
  DX_CLASS(TdxHFMachineNameFunction, TdxHFAuthenticationFunctions)

 public:
  TdxHFMachineNameFunction();
  std::string Evaluate(const std::string& text, const TdxHFFunctionFormatObject& format) const override;
  static std::string ClassDisplayName() { return "Machine Name"; }

 protected:
  bool DrawGlyph(QImage& image) const override;
};

// Page number, total pages, page of pages, date and time, date, time, user
// name, machine name.
class TdxStandardHFFunctionLibrary : public TdxHFFunctionLibrary {
  DX_CLASS(TdxStandardHFFunctionLibrary, TdxHFFunctionLibrary)

 public:
  TdxStandardHFFunctionLibrary();
};
