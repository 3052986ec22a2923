#pragma once

// The texts of the ツール menu's archive health commands.
namespace quorvel::texts {

inline constexpr const char* kMenuCheck = "ファイルの検査(&C)...";
inline constexpr const char* kMenuRepair = "ファイルの修復(&R)...";
inline constexpr const char* kMenuCompact = "ファイルの最適化(&M)...";

inline constexpr const char* kProgressCheck = "ファイルを検査しています。";
inline constexpr const char* kProgressRepair = "ファイルを修復しています。";
inline constexpr const char* kProgressCompact = "ファイルを最適化しています。";

inline constexpr const char* kCheckHealthy = "問題は見つかりませんでした。";
inline constexpr const char* kCheckFoundSuffix = "件の問題が見つかりました。ツール > ファイルの修復で直せます。";
inline constexpr const char* kCheckFailed = "ファイルを検査できませんでした。";
inline constexpr const char* kRepairQuestion =
    "ファイルを修復します。保存されているメールの内容は削除されません。よろしいですか？";
inline constexpr const char* kRepairNothing = "修復が終わりました。直すところはありませんでした。";
inline constexpr const char* kRepairDone = "修復が終わりました。次の問題を直しました。";
inline constexpr const char* kRepairFailed = "ファイルを修復できませんでした。ファイルは元のままです。";
inline constexpr const char* kCompactDone = "最適化が終わりました。";
inline constexpr const char* kCompactFailed = "ファイルを最適化できませんでした。ファイルは元のままです。";
inline constexpr const char* kCancelled = "中止しました。ファイルは元のままです。";
inline constexpr const char* kMoreSuffix = "件";
inline constexpr const char* kMorePrefix = "…ほか";

}  // namespace quorvel::texts
