#pragma once

#include <string>
#include <string_view>

namespace quorvel::mailimport {

// The date and time in a Date or Received value as "yyyy/mm/dd hh:mm", or ""
// when there is none. Takes the text after the first ";" (a Received value's
// date), after the first "," (drops a day name) and before the first "+"
// (drops a positive zone); then the general date recognition decides. A
// negative zone stays and is accepted by the recognition without conversion.
std::string f_body2Date(std::string_view curBody);

// The recipient in a Received value's "for" clause, or "". The first "for"
// counts even inside a longer word ("forum"); the recipient is what follows
// it and one more character, up to the first ";", blanks and angle brackets
// kept.
std::string f_body2for(std::string_view curBody);

// Whether an X-Priority value marks the mail urgent: its leading decimal
// number (blanks skipped; no number counts as 0) is less than 2.
bool isUrgentPriority(std::string_view value);

}  // namespace quorvel::mailimport
