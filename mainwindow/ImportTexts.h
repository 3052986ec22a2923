#pragma once

// The texts of the ツール menu's import of mailboxes.
namespace quorvel::texts {

inline constexpr const char* kMenuImportMailbox = "メールボックスの取り込み(&I)...";
inline constexpr const char* kImportChooseTitle = "取り込むメールボックスの選択";
inline constexpr const char* kImportOptionsTitle = "メールボックスの取り込み";
inline constexpr const char* kImportSkipDuplicates = "重複するメールを取り込まない";
inline constexpr const char* kImportOk = "OK";
inline constexpr const char* kImportCancel = "キャンセル";
inline constexpr const char* kImportProgress = "メールボックスを取り込んでいます。";
inline constexpr const char* kImportRateSuffix = "件/秒";
inline constexpr const char* kImportDone = "メールボックスの取り込みが終わりました。";
inline constexpr const char* kImportCancelled = "取り込みを中止しました。それまでに登録したメールは残っています。";
inline constexpr const char* kImportFailed =
    "取り込みを最後まで行えませんでした。それまでに登録したメールは残っています。";

}  // namespace quorvel::texts
