#include "layout/UserLocale.h"

#include <pwd.h>
#include <unistd.h>

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <cmath>
#include <vector>

#include "platform/QtStrings.h"

namespace {

constexpr int kMaxFormatted = 99;  // characters of the platform's 100-character buffer
constexpr double kMsPerDay = 86400000.0;
const QDate kEpoch(1899, 12, 30);

bool DecodeDateTime(double value, QDate& date, QTime& time) {
  // 0001-01-01 .. 9999-12-31 23:59:59.999
  if (!std::isfinite(value) || value < -693593.0 || value >= 2958466.0) return false;
  const double days = std::trunc(value);
  long long ms = std::llround(std::fabs(value - days) * kMsPerDay);
  if (ms >= 86400000LL) ms = 86400000LL - 1;
  date = kEpoch.addDays((long long)days);
  time = QTime::fromMSecsSinceStartOfDay(int(ms));
  return date.isValid() && time.isValid();
}

int RunLength(const QString& s, int i) {
  int n = 1;
  while (i + n < s.size() && s[i + n] == s[i]) ++n;
  return n;
}

// Appends the quoted literal starting at s[i] (a quote); answers the index
// after it.
int QuotedLiteral(const QString& s, int i, QString& out) {
  ++i;
  while (i < s.size()) {
    if (s[i] == u'\'') {
      if (i + 1 < s.size() && s[i + 1] == u'\'') {
        out += u'\'';
        i += 2;
        continue;
      }
      return i + 1;
    }
    out += s[i++];
  }
  return i;
}

QString TwoDigits(int v) { return QString::number(v).rightJustified(2, u'0'); }

std::string Finish(const QString& out) {
  if (out.size() > kMaxFormatted) return std::string();
  return FromQ(out);
}

}  // namespace

bool dxLocaleIsMetric() { return QLocale().measurementSystem() != QLocale::ImperialUSSystem; }

std::string dxLocaleShortDateFormat() { return FromQ(QLocale().dateFormat(QLocale::ShortFormat)); }

std::string dxLocaleLongDateFormat() { return FromQ(QLocale().dateFormat(QLocale::LongFormat)); }

std::string dxLocaleDateSeparator() {
  const std::string s = dxLocaleShortDateFormat();
  bool quoted = false, seenField = false;
  for (char c : s) {
    if (c == '\'') {
      quoted = !quoted;
      continue;
    }
    if (quoted) continue;
    const bool field = c == 'd' || c == 'M' || c == 'y' || c == 'g';
    if (field) {
      seenField = true;
    } else if (seenField) {
      return std::string(1, c);
    }
  }
  return std::string("/");
}

bool dxLocaleTimeLeadingZero() {
  const QString f = QLocale().timeFormat(QLocale::ShortFormat);
  return f.contains(QLatin1String("hh")) || f.contains(QLatin1String("HH"));
}

std::string dxUserName() {
  std::vector<char> buf(256);
  if (getlogin_r(buf.data(), buf.size()) == 0 && buf[0]) return std::string(buf.data());
  struct passwd pw;
  struct passwd* result = nullptr;
  std::vector<char> pwbuf(16384);
  if (getpwuid_r(geteuid(), &pw, pwbuf.data(), pwbuf.size(), &result) == 0 && result && result->pw_name)
    return std::string(result->pw_name);
  return std::string();
}

std::string dxMachineName() {
  char buf[256] = {};
  if (gethostname(buf, sizeof(buf) - 1) != 0) return std::string();
  buf[sizeof(buf) - 1] = 0;
  return std::string(buf);
}

double dxNow() {
  const QDateTime now = QDateTime::currentDateTime();
  return double(kEpoch.daysTo(now.date())) + now.time().msecsSinceStartOfDay() / kMsPerDay;
}

double dxEncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
  const QDate date(year, month, day);
  const double days = double(kEpoch.daysTo(date));
  const double fraction = ((hour * 60.0 + minute) * 60.0 + second) / 86400.0;
  // Before the epoch the fraction still counts forward from the day's start.
  return days + (days < 0 ? -fraction : fraction);
}

std::string dxFormatDate(double dateTime, const std::string& picture) {
  QDate date;
  QTime time;
  if (!DecodeDateTime(dateTime, date, time)) return std::string();
  const QLocale locale;
  const QString pic = ToQ(picture);
  const bool hasDay = pic.contains(u'd');
  QString out;
  int i = 0;
  while (i < pic.size()) {
    const QChar c = pic[i];
    if (c == u'\'') {
      i = QuotedLiteral(pic, i, out);
      continue;
    }
    const int n = RunLength(pic, i);
    if (c == u'd') {
      if (n == 1) out += QString::number(date.day());
      else if (n == 2) out += TwoDigits(date.day());
      else out += locale.dayName(date.dayOfWeek(), n == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
    } else if (c == u'M') {
      const QLocale::FormatType type = n == 3 ? QLocale::ShortFormat : QLocale::LongFormat;
      if (n == 1) out += QString::number(date.month());
      else if (n == 2) out += TwoDigits(date.month());
      else out += hasDay ? locale.monthName(date.month(), type) : locale.standaloneMonthName(date.month(), type);
    } else if (c == u'y') {
      if (n == 1) out += QString::number(date.year() % 100);
      else if (n == 2) out += TwoDigits(date.year() % 100);
      else out += QString::number(date.year()).rightJustified(4, u'0');
    } else if (c == u'g') {
      out += QLatin1String("A.D.");
    } else {
      out += QString(n, c);
    }
    i += n;
    if (out.size() > kMaxFormatted) return std::string();
  }
  return Finish(out);
}

std::string dxFormatTime(double dateTime, const std::string& picture) {
  QDate date;
  QTime time;
  if (!DecodeDateTime(dateTime, date, time)) return std::string();
  const QLocale locale;
  const QString pic = ToQ(picture);
  QString out;
  int i = 0;
  while (i < pic.size()) {
    const QChar c = pic[i];
    if (c == u'\'') {
      i = QuotedLiteral(pic, i, out);
      continue;
    }
    const int n = RunLength(pic, i);
    if (c == u'h') {
      const int h12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
      out += n == 1 ? QString::number(h12) : TwoDigits(h12);
    } else if (c == u'H') {
      out += n == 1 ? QString::number(time.hour()) : TwoDigits(time.hour());
    } else if (c == u'm') {
      out += n == 1 ? QString::number(time.minute()) : TwoDigits(time.minute());
    } else if (c == u's') {
      out += n == 1 ? QString::number(time.second()) : TwoDigits(time.second());
    } else if (c == u't') {
      const QString marker = time.hour() < 12 ? locale.amText() : locale.pmText();
      out += n == 1 ? marker.left(1) : marker;
    } else {
      out += QString(n, c);
    }
    i += n;
    if (out.size() > kMaxFormatted) return std::string();
  }
  return Finish(out);
}
