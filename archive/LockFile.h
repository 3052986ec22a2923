#pragma once

#include <string>

#include "app/ProgramValues.h"
#include "archive/db/DbValue.h"

// The working file of an open archive. With lock files in use it is a copy
// beside the archive named after the archive's name body + ".hvl"; its mere
// existence tells other instances that the archive is in use.
namespace quorvel::archive {

inline constexpr const char* kMsgInUse = "は使用中です。";

// Every character before the first ".": "a.b.qvb" gives "a".
std::string f_getFlNameBody(const std::string& fileName);

// The working file's name for an archive name.
std::string lockNameFor(const ProgramValues& pv, const std::string& arcName);

// Sets lockName and, with lock files in use, claims the archive by making the
// working copy. False, after its message, when the archive is in use or the
// copy cannot be made; no half-made copy is left.
bool f_makeLockFl(ProgramValues& pv);

// Deletes a working file when it exists; false when it exists and cannot go.
bool s_DelLockFl(const std::string& lckFn);

// Whether the program works on lock copies.
inline bool usesLockFiles(const ProgramValues& pv) {
    return pv.useLockF != "0";
}

// A null value becomes the empty text; any other value its text.
std::string cutNull(const DbValue& trdat);

}  // namespace quorvel::archive
