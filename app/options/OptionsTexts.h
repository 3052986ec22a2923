#pragma once

// The options dialog's texts, exactly as the user sees them.
namespace quorvel::texts {

inline constexpr const char* kOptionsCaption = "ｵﾌﾟｼｮﾝ";
inline constexpr const char* kOptionsUseLock = "ロックファイルを使う(次回起動時より有効となります。)";
inline constexpr const char* kOptionsOk = "OK";
inline constexpr const char* kOptionsCancel = "ｷｬﾝｾﾙ";
inline constexpr const char* kOptionsApply = "更新";

}  // namespace quorvel::texts
