#pragma once

// The search field's texts, in the style of the window's own.
namespace quorvel::texts {

inline constexpr const char* kSearchPlaceholder = "メールを検索（Ctrl+F）";
inline constexpr const char* kSearchFoundSuffix = "通のメールが見つかりました。";
inline constexpr const char* kSearchFolderPrefix = "　フォルダ：";
inline constexpr const char* kSearchTitlePrefix = "検索結果：";
inline constexpr const char* kSearchProgress = "検索しています...";

}  // namespace quorvel::texts
