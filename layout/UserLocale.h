// What the page model and the header/footer functions ask of the user's
// locale and identity: the measurement system, date and time format
// pictures, date and time formatting by picture, the user and machine names.
//
// The locale is the application's default locale (the user's, unless the
// program sets another). Date-times are the engine's: days since 1899-12-30
// as a double, the fraction being the time of day.
//
// Pictures: d, dd (day), ddd, dddd (day name), M, MM (month), MMM, MMMM
// (month name), y (year without century, no leading zero), yy, yyyy; h, hh
// (12-hour clock), H, HH (24-hour clock), m, mm, s, ss, t (first letter of
// the AM/PM designator), tt (designator); text in single quotes is copied
// ('' inside quotes is one quote); any other character is copied.
#pragma once

#include <string>

// Whether the locale measures in millimetres (metric). The UK counts as
// metric, as on the platform the engine was designed for.
bool dxLocaleIsMetric();
// The locale's short and long date pictures and its date separator (the
// first character between the fields of the short picture, "/" when there is
// none).
std::string dxLocaleShortDateFormat();
std::string dxLocaleLongDateFormat();
std::string dxLocaleDateSeparator();
// Whether hours have a leading zero in the locale's time format.
bool dxLocaleTimeLeadingZero();

// The name of the logged-on user and of the computer (empty when unknown).
std::string dxUserName();
std::string dxMachineName();

// The current local date and time, and a date-time from its parts.
double dxNow();
double dxEncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// The date-time formatted with a date (time) picture; only the date (time)
// letters of the picture are fields, other letters are copied. Empty when the
// date-time is not valid (outside the years 1 to 9999) or the result is
// longer than 99 characters.
std::string dxFormatDate(double dateTime, const std::string& picture);
std::string dxFormatTime(double dateTime, const std::string& picture);
