#pragma once

// The texts of the help windows and the about box, exactly as the user sees them.
namespace quorvel::texts {

inline constexpr const char* kHelpFolderName = "help";
inline constexpr const char* kHelpContentsPage = "index.html";
inline constexpr const char* kHelpWindowTitle = "Quorvel ヘルプ";
inline constexpr const char* kHelpContents = "目次(&C)";
inline constexpr const char* kHelpBack = "戻る(&B)";
inline constexpr const char* kHelpForward = "進む(&F)";
// Followed by a line feed and the path of the missing table of contents.
inline constexpr const char* kHelpMissing = "ヘルプファイルがありません。セットアップしなおしてください。";

inline constexpr const char* kAboutCaption = "Quorvelのバージョン情報";
inline constexpr const char* kAboutTitle = "Quorvel";
inline constexpr const char* kAboutVersionPrefix = "バージョン ";
inline constexpr const char* kAboutDescription =
    "メールをフォルダに分けて、一つのアーカイブファイルに保管するメール保管プログラムです。";
inline constexpr const char* kAboutOk = "OK";
inline constexpr const char* kAboutSysInfo = "システム情報(&S)...";

// The facts shown when no system information program is installed.
inline constexpr const char* kSysFactsHeading = "このシステムの情報";
inline constexpr const char* kSysFactsOs = "OS: ";
inline constexpr const char* kSysFactsKernel = "カーネル: ";
inline constexpr const char* kSysFactsCpu = "CPU アーキテクチャ: ";
inline constexpr const char* kSysFactsQt = "Qt バージョン: ";
inline constexpr const char* kSysFactsMemory = "物理メモリ: ";

}  // namespace quorvel::texts
