#pragma once

#include <string>

#include "app/ProgramValues.h"

namespace quorvel {

// The text shown when this instance's working folder already exists; the
// temporary folder's path goes between the two parts.
inline constexpr const char* kMsgCloseAllBefore = "すべてのQuorvelを閉じて、";
inline constexpr const char* kMsgCloseAllAfter =
    "の下にあるフォルダやファイルをすべて削除してください。このフォルダ自体は削除しないでください。";

// Creates the instance's working folder tmpPath/tmp<runNo> and makes tmpPath
// name it. False, after the message, when that folder already exists: the
// program must end.
bool f_enterWorkingFolder(ProgramValues& pv);

// What leaving the instance does at unload: the working folder goes with the
// files in it, and the instance count falls by one (both counters return to 0
// when no instance is left).
void s_leaveInstance(const ProgramValues& pv);

}  // namespace quorvel
