#pragma once

// Every text the search shows to the user, in one place. A query that
// cannot be read gets exactly one of the kQuery... texts.
namespace quorvel::search::texts {

inline constexpr const char* kQueryEmpty = "検索する言葉を入力してください。";
inline constexpr const char* kQueryUnclosedQuote = "検索条件が正しくありません：引用符（\"）が閉じていません。";
inline constexpr const char* kQueryLoneMinus = "検索条件が正しくありません：「-」のあとに言葉がありません。";
inline constexpr const char* kQueryMisplacedOr = "検索条件が正しくありません：OR の前とあとに言葉が必要です。";
inline constexpr const char* kQueryMissingValue = "検索条件が正しくありません：「:」のあとに言葉がありません。";
inline constexpr const char* kQueryBadDate =
    "検索条件が正しくありません：日付は after:2024-04-01 のように年-月-日で書いてください。";
inline constexpr const char* kQueryUnknownHas = "検索条件が正しくありません：has: のあとに書けるのは attachment です。";
inline constexpr const char* kQueryNothingToFind = "検索条件が正しくありません：検索できる文字がありません。";
inline constexpr const char* kQueryTooLong = "検索条件が正しくありません：条件が多すぎます。";

inline constexpr const char* kSearchFailed = "検索できませんでした。";
inline constexpr const char* kIndexing = "検索の準備をしています...";
inline constexpr const char* kIndexFailed = "検索の準備ができませんでした。";

}  // namespace quorvel::search::texts
