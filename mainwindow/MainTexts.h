#pragma once

// The main window's texts, exactly as the user sees them.
namespace quorvel::texts {

inline constexpr const char* kCaption = "Quorvel";
inline constexpr const char* kNoFileOpen = "ファイルを開いていません！";
inline constexpr const char* kStatusInitial = "ｽﾃｰﾀｽ";

inline constexpr const char* kMenuFile = "ﾌｧｲﾙ(&F)";
inline constexpr const char* kMenuFileNew = "新規作成(&N)";
inline constexpr const char* kMenuFileOpen = "開く(&O)...";
inline constexpr const char* kMenuFileClose = "閉じる(&C)";
inline constexpr const char* kMenuFileSave = "上書き保存(&S)";
inline constexpr const char* kMenuFileSaveAs = "名前を付けて保存(&A)...";
inline constexpr const char* kMenuFileExit = "終了(&X)";
inline constexpr const char* kMenuTool = "ツール(&T)";
inline constexpr const char* kMenuOption = "オプション(&O)";
inline constexpr const char* kMenuEdit = "編集(&E)";
inline constexpr const char* kMenuAddFolder = "フォルダ作成(&F)";
inline constexpr const char* kMenuDeleteFolder = "フォルダ削除(&D)";
inline constexpr const char* kMenuEdit2 = "編集その2";
inline constexpr const char* kMenuDeleteMail = "メール削除(DEL)";
inline constexpr const char* kMenuHelp = "ﾍﾙﾌﾟ(&H)";
inline constexpr const char* kMenuHelpContents = "目次(&C)";
inline constexpr const char* kMenuHelpSearch = "ﾄﾋﾟｯｸの検索(&S)...";
inline constexpr const char* kMenuHelpAbout = "ﾊﾞｰｼﾞｮﾝ情報(&A)";

}  // namespace quorvel::texts
