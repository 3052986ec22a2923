#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::mailimport {

struct DateTimeParts {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

// The general date recognition behind the date columns. It accepts, with
// blanks (spaces, tabs) around and between the parts ignored:
//   [day name[,]] d month y [time [zone]] [(comment)]
//       d: 1 or 2 digits; month: English name or its three-letter
//       abbreviation, any case; y: 4 digits, or 2 digits (00-49 is 2000-2049,
//       50-99 is 1950-1999). d, month and y may also be joined by "-"
//       ("1-Jan-2002").
//   yyyy/m/d [time [zone]] [(comment)], and the same with "-" ("2002-01-01").
//   time: h:mm or h:mm:ss, 1 or 2 digits each; hour 0-23, minute 0-59,
//       second 0-60.
//   zone: +hhmm, -hhmm, or one of UT UTC GMT Z EST EDT CST CDT MST MDT PST
//       PDT JST. It is accepted and ignored: the answer is the clock time as
//       written, never converted.
// A date without a time is midnight. The day must exist in its month
// (leap years by the Gregorian rule). Anything else, a time without a date
// included, is not a date.
std::optional<DateTimeParts> recogniseDateTime(std::string_view text);

// "yyyy/mm/dd hh:mm", zero-padded.
std::string formatDateTime(const DateTimeParts& parts);

}  // namespace quorvel::mailimport
