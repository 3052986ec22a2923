#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::mailbox {

// The folder path of a Maildir++ subfolder from its directory name:
// ".Work.Projects" gives Work / Projects. Mail servers write non-ASCII
// names in IMAP's modified UTF-7 ("&MMEwwTDr-"); each part is decoded when
// it is valid in that form and kept as it is otherwise. A name that does not
// split into non-empty parts (".a..b", ".a.") is kept whole as one folder
// (without its leading dot), so that no folder gets an empty name.
std::vector<std::string> maildirFolderPath(std::string_view directoryName);

// IMAP's modified UTF-7 decoded into UTF-8; nothing when `text` is not valid
// in that form (an unended or malformed "&...-" run, a bad UTF-16 sequence,
// or a run that encodes what could have been written plainly).
std::optional<std::string> decodeModifiedUtf7(std::string_view text);

}  // namespace quorvel::mailbox
