#pragma once

// What an import of mailboxes says it did, in the style of the stored count
// ("3件のメールを登録"), shared by the window and the command-line tool.
namespace quorvel::mailboximport::texts {

inline constexpr const char* kDuplicatesSuffix = "件の重複するメールを省略";
inline constexpr const char* kFoldersSuffix = "件のフォルダを作成";

}  // namespace quorvel::mailboximport::texts
