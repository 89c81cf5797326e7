#include "layout/HeaderFooterFunctions.h"

#include <algorithm>
#include <climits>

#include "layout/StandardHeaderFooterFunctions.h"
#include "layout/UserLocale.h"
#include "platform/Canvas.h"
#include "report/EngineExceptions.h"

namespace {

constexpr int kGlyphSize = 16;
constexpr TColor kGlyphTransparent = clFuchsia;

int ClampToInt(long long v) { return int(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

std::string PageValue(long long number, const TdxHFFunctionFormatObject& format) {
  return PageNumberToText(ClampToInt(number), format.PageNumberFormat);
}

std::string PageText(const TdxHFFunctionFormatObject& f) {
  return PageValue((long long)f.StartPageIndex + f.CurrentPage - 1, f);
}

std::string TotalText(const TdxHFFunctionFormatObject& f) {
  return PageValue((long long)f.StartPageIndex + f.TotalPages - 1, f);
}

// Without surrounding characters up to and including blanks.
std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

std::string DropLeading(const std::string& s, const char* chars) {
  std::size_t b = s.find_first_not_of(chars);
  return b == std::string::npos ? std::string() : s.substr(b);
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  if (from.empty()) return s;
  for (std::size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, pos + to.size()))
    s.replace(pos, from.size(), to);
  return s;
}

std::string KeepChars(const std::string& s, const char* chars) {
  std::string out;
  for (char c : s)
    if (std::char_traits<char>::find(chars, std::char_traits<char>::length(chars), c)) out += c;
  return out;
}

// ---- Glyphs: a few strokes on a transparent 16 x 16 square ----

class GlyphPainter {
 public:
  explicit GlyphPainter(QImage& image) : canvas_(&image) {
    canvas_.FillRect(TRect(0, 0, kGlyphSize, kGlyphSize), kGlyphTransparent);
  }
  void Box(const TRect& r, TColor fill, TColor frame = clBlack) {
    canvas_.FillRect(r, frame);
    canvas_.FillRect(TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1), fill);
  }
  void Line(int x0, int y0, int x1, int y1, TColor color = clBlack) {
    TPen pen;
    pen.Color = color;
    pen.Width = 0;
    canvas_.SetPen(pen);
    canvas_.MoveTo(x0, y0);
    canvas_.LineTo(x1, y1);
  }
  void Sheet(int left, int top) { Box(TRect(left, top, left + 10, top + 13), clWhite); }
  // A small "#" with its top-left corner at (x, y), 5 x 5.
  void Hash(int x, int y, TColor color = clNavy) {
    Line(x + 1, y, x + 1, y + 5, color);
    Line(x + 3, y, x + 3, y + 5, color);
    Line(x, y + 1, x + 5, y + 1, color);
    Line(x, y + 3, x + 5, y + 3, color);
  }
  void Calendar(const TRect& r) {
    Box(r, clWhite);
    canvas_.FillRect(TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Top + 3), clRed);
    for (int y = r.Top + 5; y < r.Bottom - 1; y += 2)
      for (int x = r.Left + 2; x < r.Right - 1; x += 2) canvas_.SetPixel(x, y, clGray);
  }
  void Clock(const TRect& r) {
    TBrush brush;
    brush.Color = clWhite;
    canvas_.SetBrush(brush);
    TPen pen;
    pen.Color = clBlack;
    pen.Width = 0;
    canvas_.SetPen(pen);
    canvas_.Ellipse(r);
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    Line(cx, cy, cx, r.Top + 2);
    Line(cx, cy, r.Right - 3, cy);
  }

 private:
  TCanvas canvas_;
};

}  // namespace

// ---------------------------------------------------------------------------
// TdxHFFunctionFormatObject

TdxHFFunctionFormatObject::TdxHFFunctionFormatObject() : MachineName(dxMachineName()), UserName(dxUserName()) {}

// ---------------------------------------------------------------------------
// TdxHFFunction

void TdxHFFunction::Assign(const TdxHFFunction& source) {
  if (&source == this) return;
  token_ = source.token_;
  hint_ = source.hint_;
  source.EnsureGlyph();
  glyph_ = source.glyph_ ? std::make_unique<TBitmap>(*source.glyph_) : nullptr;
  glyphDone_ = true;
}

std::string TdxHFFunction::Evaluate(const std::string& text, const TdxHFFunctionFormatObject&) const {
  return text;
}

std::string TdxHFFunction::ProcessText(const std::string& text, const TdxHFFunctionFormatObject* format) const {
  return format ? Evaluate(text, *format) : text;
}

TdxClass TdxHFFunction::Category() const {
  auto* info = dynamic_cast<const TdxHFFunctionClassInfo*>(ClassType());
  return info ? info->Category() : ClassCategory();
}

std::string TdxHFFunction::DisplayName() const {
  auto* info = dynamic_cast<const TdxHFFunctionClassInfo*>(ClassType());
  return info ? info->DisplayName() : ClassDisplayName();
}

void TdxHFFunction::SetToken(const std::string& value) {
  std::string token = value;
  if (token.empty() || token.front() != '[') token.insert(token.begin(), '[');
  if (token.size() < 2 || token.back() != ']') token += ']';
  token_ = token;
}

void TdxHFFunction::EnsureGlyph() const {
  if (glyphDone_) return;
  glyphDone_ = true;
  QImage image(kGlyphSize, kGlyphSize, QImage::Format_RGB32);
  if (!DrawGlyph(image)) return;
  glyph_ = std::make_unique<TBitmap>();
  glyph_->SetImage(image);
  glyph_->SetTransparent(true);
}

const TBitmap& TdxHFFunction::Glyph() const {
  EnsureGlyph();
  if (!glyph_) glyph_ = std::make_unique<TBitmap>();
  return *glyph_;
}

TBitmap& TdxHFFunction::Glyph() {
  EnsureGlyph();
  if (!glyph_) glyph_ = std::make_unique<TBitmap>();
  return *glyph_;
}

// ---------------------------------------------------------------------------
// Standard functions

TdxHFPageNumberFunction::TdxHFPageNumberFunction() {
  SetToken("Page #");
  SetHint("Page Number");
}

std::string TdxHFPageNumberFunction::Evaluate(const std::string&, const TdxHFFunctionFormatObject& f) const {
  return PageText(f);
}

bool TdxHFPageNumberFunction::DrawGlyph(QImage& image) const {
  GlyphPainter p(image);
  p.Sheet(3, 1);
  p.Hash(5, 5);
  return true;
}

TdxHFTotalPagesFunction::TdxHFTotalPagesFunction() {
  SetToken("Total Pages");
  SetHint("Total Pages");
}

std::string TdxHFTotalPagesFunction::Evaluate(const std::string&, const TdxHFFunctionFormatObject& f) const {
  return TotalText(f);
}

bool TdxHFTotalPagesFunction::DrawGlyph(QImage& image) const {
  GlyphPainter p(image);
  p.Sheet(5, 0);
  p.Sheet(2, 2);
  p.Hash(4, 6, clMaroon);
  return true;
}

TdxHFPageOfPagesFunction::TdxHFPageOfPagesFunction() {
  SetToken("Page # of Pages #");
  SetHint("Page # of Pages #");
}

std::string TdxHFPageOfPagesFunction::Evaluate(const std::string&, const TdxHFFunctionFormatObject& f) const {
  return PageText(f) + " " + "Of" + " " + TotalText(f);
}

bool TdxHFPageOfPagesFunction::DrawGlyph(QImage& image) const {
  GlyphPainter p(image);
  p.Sheet(3, 1);
  p.Hash(4, 3);
  p.Line(5, 10, 10, 8, clGray);
  p.Hash(7, 9, clMaroon);
  return true;
}

TdxHFDateTimeFunction::TdxHFDateTimeFunction() {
  SetToken("Date & Time Printed");
  SetHint("Date and Time Printed");
}

std::string TdxHFDateTimeFunction::Evaluate(const std::string&, const TdxHFFunctionFormatObject& f) const {
  return dxFormatDate(f.DateTime, f.DateFormat) + " " + dxFormatTime(f.DateTime, f.TimeFormat);
}

bool TdxHFDateTimeFunction::DrawGlyph(QImage& image) const {
  GlyphPainter p(image);
  p.Calendar(TRect(1, 1, 11, 11));
  p.Clock(TRect(7, 6, 15, 14));
  return true;
}

TdxHFDateFunction::TdxHFDateFunction() {
  SetToken("Date Printed");
  SetHint("Date Printed");
}

std::string TdxHFDateFunction::Evaluate(const std::string&, const TdxHFFunctionFormatObject& f) const {
  return dxFormatDate(f.DateTime, f.DateFormat);
}

bool TdxHFDateFunction::DrawGlyph(QImage& image) const {
  GlyphPainter p(image);
  p.Calendar(TRect(2, 2, 14, 14));
  return true;
}

TdxHFTimeFunction::TdxHFTimeFunction() {
  SetToken("Time Printed");
  SetHint("Time Printed");
}

std::string TdxHFTimeFunction::Evaluate(const std::string&, const TdxHFFunctionFormatObject& f) const {
  return dxFormatTime(f.DateTime, f.TimeFormat);
}

bool TdxHFTimeFunction::DrawGlyph(QImage& image) const {
  GlyphPainter p(image);
  p.Clock(TRect(2, 2, 14, 14));
  return true;
}

TdxHFUserNameFunction::TdxHFUserNameFunction() {
  SetToken("User Name");
  SetHint("User Name");
}

std::string TdxHFUserNameFunction::Evaluate(const std::string&, const TdxHFFunctionFormatObject& f) const {
  return f.UserName;
}

bool TdxHFUserNameFunction::DrawGlyph(QImage& image) const {
  GlyphPainter p(image);
  p.Box(TRect(6, 2, 10, 7), clYellow);
  p.Box(TRect(4, 8, 12, 14), clBlue);
  return true;
}

TdxHFMachineNameFunction::TdxHFMachineNameFunction() {
  SetToken("Machine Name");
  SetHint("Machine Name");
}

std::string TdxHFMachineNameFunction::Evaluate(const std::string&, const TdxHFFunctionFormatObject& f) const {
  return f.MachineName;
}

bool TdxHFMachineNameFunction::DrawGlyph(QImage& image) const {
  GlyphPainter p(image);
  p.Box(TRect(2, 2, 14, 11), clTeal);
  p.Line(8, 11, 8, 13);
  p.Line(5, 13, 12, 13);
  return true;
}

// ---------------------------------------------------------------------------
// TdxHFFunctionLibrary

TdxHFFunctionLibrary::TdxHFFunctionLibrary() = default;
TdxHFFunctionLibrary::~TdxHFFunctionLibrary() = default;

void TdxHFFunctionLibrary::Assign(const TdxHFFunctionLibrary& source) {
  if (&source == this) return;
  std::vector<TdxClass> classes;
  for (const auto& item : source.items_) classes.push_back(item.second->ClassType());
  Clear();
  for (TdxClass cls : classes) AddFunction(cls);
}

TdxHFFunction* TdxHFFunctionLibrary::AddFunction(TdxClass functionClass) {
  std::unique_ptr<TdxHFFunction> function = dxCreateObject<TdxHFFunction>(functionClass);
  TdxHFFunction* result = function.get();
  items_.emplace_back(function->Token(), std::move(function));
  return result;
}

void TdxHFFunctionLibrary::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  items_.erase(items_.begin() + index);
}

void TdxHFFunctionLibrary::Clear() { items_.clear(); }

TdxHFFunction* TdxHFFunctionLibrary::Functions(int index) const {
  return index >= 0 && index < Count() ? items_[std::size_t(index)].second.get() : nullptr;
}

const std::string& TdxHFFunctionLibrary::Tokens(int index) const {
  static const std::string none;
  return index >= 0 && index < Count() ? items_[std::size_t(index)].first : none;
}

int TdxHFFunctionLibrary::IndexOfToken(const std::string& token) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (SameText(items_[i].first, token)) return int(i);
  return -1;
}

int TdxHFFunctionLibrary::IndexOfFunctionClass(TdxClass functionClass) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].second->ClassType() == functionClass) return int(i);
  return -1;
}

TdxHFFunction* TdxHFFunctionLibrary::FunctionByClass(TdxClass functionClass) const {
  return Functions(IndexOfFunctionClass(functionClass));
}

void TdxHFFunctionLibrary::ForEachFunction(
    const std::function<void(TdxHFFunctionLibrary&, TdxHFFunction&)>& procedure) {
  if (!procedure) return;
  for (std::size_t i = 0; i < items_.size(); ++i) procedure(*this, *items_[i].second);
}

void TdxHFFunctionLibrary::FillFunctionList(std::vector<std::pair<std::string, TdxHFFunction*>>& list) const {
  for (const auto& item : items_) list.emplace_back(item.first, item.second.get());
}

std::string TdxHFFunctionLibrary::ProcessText(const std::string& text,
                                              const TdxHFFunctionFormatObject* format) const {
  std::string result = text;
  std::size_t pos = 0;
  while (pos < result.size()) {
    const std::size_t open = result.find('[', pos);
    if (open == std::string::npos || open + 1 == result.size()) break;
    const std::size_t close = result.find(']', open);
    if (close == std::string::npos) break;
    if (close == open + 1) {
      pos = close;
      continue;
    }
    const int index = IndexOfToken(result.substr(open, close - open + 1));
    if (index < 0) {
      pos = close;
      continue;
    }
    const std::string value = items_[std::size_t(index)].second->ProcessText(items_[std::size_t(index)].first, format);
    result.erase(open, close - open + 1);
    if (!value.empty()) result.insert(open, " " + value + " ");
    // Scanning goes on after the inserted text (two characters further when
    // nothing was inserted, as the engine always did).
    pos = open + value.size() + 2;
  }
  return result;
}

TdxStandardHFFunctionLibrary::TdxStandardHFFunctionLibrary() {
  AddFunction(TdxHFPageNumberFunction::StaticClass());
  AddFunction(TdxHFTotalPagesFunction::StaticClass());
  AddFunction(TdxHFPageOfPagesFunction::StaticClass());
  AddFunction(TdxHFDateTimeFunction::StaticClass());
  AddFunction(TdxHFDateFunction::StaticClass());
  AddFunction(TdxHFTimeFunction::StaticClass());
  AddFunction(TdxHFUserNameFunction::StaticClass());
  AddFunction(TdxHFMachineNameFunction::StaticClass());
}

// ---------------------------------------------------------------------------
// Process-wide objects

TdxHFFunctionLibrary* GetHFFunctionLibrary() {
  static TdxStandardHFFunctionLibrary library;
  return &library;
}

TdxHFFunctionFormatObject* GetHFFormatObject() {
  static TdxHFFunctionFormatObject format;
  return &format;
}

std::string ExpandHFText(const std::string& text) {
  TdxHFFunctionLibrary* library = GetHFFunctionLibrary();
  return library ? library->ProcessText(text, GetHFFormatObject()) : text;
}

// ---------------------------------------------------------------------------
// Format lists

std::vector<std::string> dxBuildDateFormatList(const std::string& s, const std::string& l,
                                               const std::string& separator) {
  constexpr const char* kLeading = " ,.";
  std::vector<std::string> list;
  list.push_back(s);
  {
    std::string v = Trim(l);
    if (v.find("dddd") == std::string::npos) v = "dddd, " + v;
    list.push_back(v);
  }
  list.push_back(DropLeading(Trim(ReplaceAll(l, "dddd", "")), kLeading));
  {
    std::string v = s;
    if (std::size_t p = v.find("yyyy"); p != std::string::npos)
      v.erase(p, 2);
    else if (std::size_t q = v.find("yy"); q != std::string::npos)
      v.insert(q, "yy");
    list.push_back(v);
  }
  list.push_back("yyyy-MM-dd");
  list.push_back("d-MMM-yy");
  list.push_back(separator == "/" ? ReplaceAll(s, "/", ".") : ReplaceAll(s, separator, "/"));
  list.push_back(DropLeading(Trim(KeepChars(l, " M:\\.,/")), kLeading) + " yyyy");
  list.push_back("d MMMM yyyy");
  list.push_back(DropLeading(Trim(KeepChars(l, " M:\\")), kLeading) + " yy");
  list.push_back("MMM-yy");
  return list;
}

std::vector<std::string> dxBuildTimeFormatList(bool leadingZero) {
  const std::string h = leadingZero ? "hh" : "h", H = leadingZero ? "HH" : "H";
  return {h + ":mm tt", h + ":mm:ss tt", H + ":mm", H + ":mm:ss"};
}

const std::vector<std::string>& DateFormatList() {
  static const std::vector<std::string> list =
      dxBuildDateFormatList(dxLocaleShortDateFormat(), dxLocaleLongDateFormat(), dxLocaleDateSeparator());
  return list;
}

const std::vector<std::string>& TimeFormatList() {
  static const std::vector<std::string> list = dxBuildTimeFormatList(dxLocaleTimeLeadingZero());
  return list;
}

const std::vector<std::string>& PageNumberFormatList() {
  static const std::vector<std::string> list = {"1, 2, 3, 4, 5, ...", "a, b, c, d, e, ...", "A, B, C, D, E, ...",
                                                "i, ii, iii, iv, v, ...", "I, II, III, IV, V, ..."};
  return list;
}

// ---------------------------------------------------------------------------
// Auto text

void DefaultAutoTextEntries(std::vector<std::string>& entries) {
  TdxHFFunctionLibrary* library = GetHFFunctionLibrary();
  if (!library) return;
  auto token = [&](TdxClass cls) -> std::string {
    TdxHFFunction* f = library->FunctionByClass(cls);
    return f ? f->Token() : std::string();
  };
  const std::string page = token(TdxHFPageNumberFunction::StaticClass());
  const std::string user = token(TdxHFUserNameFunction::StaticClass());
  const std::string date = token(TdxHFDateFunction::StaticClass());
  const std::string dateTime = token(TdxHFDateTimeFunction::StaticClass());
  const std::string pageOf = token(TdxHFPageOfPagesFunction::StaticClass());
  const std::string word = RemoveAmpersands("&Page");
  if (!page.empty()) entries.push_back(", -" + page + "-" + " " + ",");
  if (!user.empty() && !page.empty() && !date.empty())
    entries.push_back(user + ", " + word + " " + page + ", " + date);
  if (!page.empty() && !date.empty()) entries.push_back("Confidential" + (", " + word + " " + page + ", " + date));
  if (!user.empty()) entries.push_back("Created By " + user);
  if (!dateTime.empty()) entries.push_back("Created On " + dateTime);
  if (!user.empty()) entries.push_back("Printed By " + user);
  if (!dateTime.empty()) entries.push_back("Printed On " + dateTime);
  if (!dateTime.empty()) entries.push_back("Last Printed " + dateTime);
  if (!pageOf.empty()) entries.push_back(word + " " + pageOf);
}

void SplitAutoTextEntry(const std::string& entry, std::string& left, std::string& center, std::string& right) {
  std::string parts[3];
  std::size_t pos = 0;
  for (int i = 0; i < 3 && pos <= entry.size(); ++i) {
    const std::size_t comma = entry.find(',', pos);
    parts[i] = Trim(entry.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  left = parts[0];
  center = parts[1];
  right = parts[2];
}
