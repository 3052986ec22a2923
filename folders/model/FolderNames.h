#pragma once

#include <string>
#include <string_view>

// Folder names as the tree holds and orders them. The tree keeps its texts
// as UTF-16 strings, and the folder table is written back from those texts,
// so a name read from the archive is what that conversion makes of its bytes.
namespace quorvel::folders {

// The name as the tree holds it: every byte that does not begin a valid UTF-8
// sequence becomes U+FFFD and a byte-order mark at the very start is dropped,
// as Qt's UTF-8 decoding does.
std::string nameAsShown(std::string_view stored);

// Whether `a` sorts before `b` among a folder's subfolders: by UTF-16 code
// units, letter case counting, as the tree sorts its nodes. (UTF-8 byte order
// differs: it puts characters above U+FFFF after U+E000..U+FFFF.)
bool nameBefore(std::string_view a, std::string_view b);

}  // namespace quorvel::folders
