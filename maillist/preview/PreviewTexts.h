#pragma once

// Every text the preview shows to the user, in one place.
namespace quorvel::preview::texts {

inline constexpr const char* kCannotShow = "メールを表示できません。";
inline constexpr const char* kNoFile = "ファイルがありません。";
inline constexpr const char* kCannotRead = "ファイルを読み込めません。";
inline constexpr const char* kNotAMessage = "メールの形式ではありません。";
inline constexpr const char* kTruncated = "（メールが大きいため、本文は途中までを表示しています。）";
inline constexpr const char* kAttachments = "添付ファイル";
inline constexpr const char* kUnnamedAttachment = "（名前のない添付ファイル）";
inline constexpr const char* kMoreAttachmentsBefore = "ほか ";
inline constexpr const char* kMoreAttachmentsAfter = " 件";

}  // namespace quorvel::preview::texts
