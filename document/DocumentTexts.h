#pragma once

// The texts of the archive document's commands, exactly as the user sees them.
namespace quorvel::texts {

inline constexpr const char* kMsgNoTemplate = "初期化ファイルがありません。セットアップしなおしてください。";
inline constexpr const char* kMsgTemplateBroken = "初期化ファイルが壊れています。セットアップしなおしてください。";
inline constexpr const char* kMsgNotFound = "ファイルが見つかりません";
inline constexpr const char* kMsgStartFileBroken = "quorvelのファイルでないか、ファイルが壊れています。";
inline constexpr const char* kMsgOpenFileBroken = "ファイルが壊れているか、クオーベルのファイルではありません。";
inline constexpr const char* kMsgSaveCurrent = "現在のファイルを保存しますか？";
inline constexpr const char* kMsgChangedSaveAs = "は、変更されています。保存しますか？";
inline constexpr const char* kMsgChangedSave = "は、変更されています。上書き保存しますか？";
inline constexpr const char* kMsgReplacePrefix = "ファイル=";
inline constexpr const char* kMsgReplaceSuffix = "は存在しています。上書きしますか？";
inline constexpr const char* kStatusOpening = "ファイルを開いています。";
inline constexpr const char* kStatusSaving = "ファイルを保存中です｡";
inline constexpr const char* kDialogOpen = "開く";
inline constexpr const char* kDialogSaveAs = "名前を付けて保存";
inline constexpr const char* kFilter = "Quorvelファイル(*.qvb)|*.qvb";
inline constexpr const char* kNewArchivePrefix = "新規_";
inline constexpr const char* kTemplateName = "inttmpl.qvb";
// Our own: a copy that failed, with the system's reason on the next line.
inline constexpr const char* kMsgSaveFailed = "ファイルを保存できませんでした。変更は作業中のファイルに残っています。";
inline constexpr const char* kMsgNewFailed = "新しいファイルを作れませんでした。";
inline constexpr const char* kMsgReadOnlySuffix =
    "は読み取り専用のため、上書き保存できません。名前を付けて保存してください。";
inline constexpr const char* kMsgReadOnlyReplaceSuffix = "は読み取り専用のため、上書きできません。";

}  // namespace quorvel::texts
