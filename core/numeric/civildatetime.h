#pragma once

// A date and time given as days since 1899-12-30, the fraction being the time of day, as a
// calendar date and a clock time, and written by a pattern. English names, no locale, no clock
// of its own: the value comes from the caller.

#include <optional>
#include <string>
#include <string_view>

struct CivilDateTime
{
    int year = 1, month = 1, day = 1; // proleptic Gregorian
    int weekday = 0;                  // 0 = Sunday
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The date and time of `days` since 1899-12-30; for values below zero the fraction's magnitude
// is the time of day. Nothing outside the years 1 to 9999, and nothing for NaN or infinity.
std::optional<CivilDateTime> DecodeDateTime(double days);

// `t` written by `pattern`, whose letters count in either case:
//   d / dd        day of month without / with leading zero   ddd / dddd  Mon / Monday
//   m / mm        month without / with leading zero          mmm / mmmm  Jan / January
//                 (m or mm right after an hour or before a seconds field means minutes)
//   yy / yyyy     two- / four-digit year (y and yyy count as yy and yyyy)
//   h / hh        hour (0-23, or 1-12 when an am/pm field is present)
//   n / nn        minutes, s / ss seconds, z / zzz milliseconds
//   am/pm, a/p    half-day marker in the case written
//   "text", 'text' literal text; every other byte stands for itself.
// The pattern and the result are Windows-1252 bytes; only 'A' to 'Z' fold.
std::string FormatDateTime(const CivilDateTime& t, std::string_view pattern);
