#pragma once

#include <string>

#include "app/InstanceLocks.h"
#include "app/ProgramValues.h"

namespace quorvel {

inline constexpr const char* kMsgSetupBroken =
    "必要なフォルダやファイルに問題があります。セットアップしなおしてください。";
inline constexpr const char* kMsgFileNotFound = "ファイルが見つかりません";

enum class StartOutcome { ShowWindow, End };

// Everything from launch until the main window is shown: the folder check,
// "sysPath" and "tmpPath", cleaning up after earlier runs when no other
// instance runs, the table definitions, the command-line archive, the mail
// program's command and the instance number. `commandLine` is the arguments
// joined by single spaces.
StartOutcome s_startUp(ProgramValues& pv, InstanceLocks& locks, const std::string& programFolder,
                       const std::string& commandLine);

// True when programFolder/sys and programFolder/tmp are folders.
bool f_chkFolders(const std::string& programFolder);

// Fills the table names and column lists and clears newFlag and modFlag.
void s_initTblDefs(ProgramValues& pv);

// Splits a full path at its last "/" into an existing folder and a file name;
// false (and both empty) when either part is empty or the folder does not exist.
bool f_splitPath(const std::string& path, std::string& folder, std::string& name);

// The command prefix of the mail program registered for ".eml", or "".
std::string f_getMailerCmd();
// The cutting rule applied to a registered open command.
std::string mailerCmdFromCommand(const std::string& command);

// The command line without one leading and one trailing double quote.
std::string stripCommandLineQuotes(const std::string& commandLine);

// Removes every working folder left in the temporary folder: the files
// directly inside each folder go, then the folder if nothing is left. Plain
// files lying in the temporary folder itself stay.
void cleanTempFolder(const std::string& tmpPath);

// Deletes the files directly inside a folder, then the folder when it is left
// empty; a sub-folder keeps it. True when the folder is gone.
bool removeWorkingFolder(const std::string& folder);

// Deletes every file directly inside a folder; false when one could not go.
bool deleteFilesIn(const std::string& folder);

// This instance's number: the stored count plus one, past the numbers that
// live instances hold. A stale working folder of the number is cleaned.
int32_t takeInstanceNumber(InstanceLocks& locks, const std::string& tmpPath);

}  // namespace quorvel
