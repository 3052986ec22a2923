#pragma once

#include <string>
#include <string_view>

namespace quorvel::mailbox {

// True when `line` (without its line end) is a separator line as writers of
// mbox files make it: "From ", a sender without blanks (an address,
// MAILER-DAEMON or "-"), then a date with weekday, month, day and time in
// the asctime order ("Fri Jul  8 12:08:34 2011", a zone allowed before or
// after the year) or in the order of a Date: header ("Fri, 8 Jul 2011
// 12:08:34 +0900").
bool isSeparatorLine(std::string_view line);

// True when the file's first line, at byte 0, is a separator line. Anything
// else (a BOM, a blank line first, a "From:" header, a text beginning "From
// the ...") is not an mbox. An empty file is not one either: whether an
// empty file is an empty mailbox depends on where it lies (see planImport).
bool isMbox(const std::string& path);

}  // namespace quorvel::mailbox
