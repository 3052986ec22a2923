#pragma once

#include <string>

#include "archive/ArchiveLocation.h"
#include "archive/db/DbValue.h"

// The working file of an open archive. With lock files in use it is a copy
// beside the archive named after the archive's name body + ".hvl"; its mere
// existence tells other instances that the archive is in use.
namespace quorvel::archive {

inline constexpr const char* kMsgInUse = "は使用中です。";
// Our own: a working copy left by a program that did not end normally.
inline constexpr const char* kMsgLeftCopyQuestion =
    "には、前回正常に終了しなかったときの作業中の内容が残っています。\n"
    "作業中の内容を復元しますか？\n\n"
    "はい：復元して開きます（保存するまでファイルそのものは変わりません）。\n"
    "いいえ：作業中の内容を破棄して、保存されている内容を開きます。";
inline constexpr const char* kMsgLeftCopyBroken =
    "に残っていた作業中の内容は壊れているため、復元できません。もう一度開いて「いいえ」を選ぶと、保存されている内容を開"
    "きます。";

// Every character before the first ".": "a.b.qvb" gives "a".
std::string f_getFlNameBody(const std::string& fileName);

// The working file's name for an archive name.
std::string lockNameFor(const ArchiveLocation& pv, const std::string& arcName);

// Sets lockName and, with lock files in use, claims the archive by making the
// working copy and holding a claim on it while it is open. False, after its
// message, when the archive is in use or the copy cannot be made; no half-made
// copy is left. A working copy that no live process holds was left by a crash:
// when `recovered` is given, the user may take its work up (then *recovered
// is set and the copy, newer than the archive, is the working file) or
// discard it; without it, such a copy reads as in use.
bool f_makeLockFl(ArchiveLocation& pv, bool* recovered = nullptr);

// Claims the file now under a working file's name (one written anew over
// the old), in place of the claim on the file it replaced.
void renewClaim(const std::string& lckFn);

// Deletes a working file when it exists and lets go of its claim; false when
// it exists and cannot go.
bool s_DelLockFl(const std::string& lckFn);

// A null value becomes the empty text; any other value its text.
std::string cutNull(const DbValue& trdat);

}  // namespace quorvel::archive
