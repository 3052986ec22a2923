// The ツール menu's archive health commands: they work on the open archive's
// working file, off the window's thread, with progress and a working Cancel.
#include <QString>

#include "archive/LockFile.h"
#include "folders/FolderTree.h"
#include "health/ArchiveHealth.h"
#include "mainwindow/HealthTexts.h"
#include "mainwindow/frmMain.h"
#include "platform/dialogs/MessageService.h"
#include "toolkit/LongTask.h"

namespace quorvel {

namespace {

// At most this many problems are named in a box; the count says the rest.
constexpr size_t kShownProblems = 15;

std::string problemLines(const std::vector<health::Problem>& problems) {
    std::string text;
    for (size_t i = 0; i < problems.size() && i < kShownProblems; ++i) {
        text += "\n" + health::describeJapanese(problems[i]);
    }
    if (problems.size() > kShownProblems) {
        text += std::string("\n") + texts::kMorePrefix + std::to_string(problems.size() - kShownProblems) +
                texts::kMoreSuffix;
    }
    return text;
}

std::string kilobytes(int64_t bytes) {
    return std::to_string((bytes + 1023) / 1024) + "KB";
}

}  // namespace

void frmMain::mnuToolCheck_Click() {
    if (!archiveOpen()) {
        return;
    }
    health::CheckResult result;
    const std::string file = workingFile(pv_);
    const bool cancelled = ui::runLongTask(this, QString::fromUtf8(texts::kProgressCheck), [&](const auto& progress) {
        result = health::checkArchive(file, pv_.defs, progress);
    });
    if (cancelled || result.cancelled) {
        platform::msgBox(texts::kCancelled);
    } else if (!result.readable) {
        platform::msgBox(std::string(texts::kCheckFailed) + "\n" + result.error, platform::MsgButtons::Ok,
                         platform::MsgIcon::Warning);
    } else if (result.problems.empty()) {
        platform::msgBox(texts::kCheckHealthy);
    } else {
        platform::msgBox(
            std::to_string(result.problems.size()) + texts::kCheckFoundSuffix + "\n" + problemLines(result.problems),
            platform::MsgButtons::Ok, platform::MsgIcon::Warning);
    }
}

void frmMain::mnuToolRepair_Click() {
    if (!archiveOpen() ||
        platform::msgBox(texts::kRepairQuestion, platform::MsgButtons::OkCancel) != platform::MsgAnswer::Ok) {
        return;
    }
    health::RepairResult result;
    const std::string file = workingFile(pv_);
    const bool cancelled = ui::runLongTask(this, QString::fromUtf8(texts::kProgressRepair), [&](const auto& progress) {
        result = health::repairArchive(file, pv_.defs, progress);
    });
    if (!result.done) {
        platform::msgBox(cancelled || result.cancelled ? std::string(texts::kCancelled)
                                                       : std::string(texts::kRepairFailed) + "\n" + result.error,
                         platform::MsgButtons::Ok, platform::MsgIcon::Warning);
        return;
    }
    document_->workingFileReplaced();
    platform::msgBox(result.mended.empty() ? std::string(texts::kRepairNothing)
                                           : texts::kRepairDone + std::string("\n") + problemLines(result.mended));
}

void frmMain::mnuToolCompact_Click() {
    if (!archiveOpen()) {
        return;
    }
    health::CompactResult result;
    const std::string file = workingFile(pv_);
    ui::runLongTask(this, QString::fromUtf8(texts::kProgressCompact),
                    [&](const auto&) { result = health::compactArchive(file); });
    if (!result.done) {
        platform::msgBox(std::string(texts::kCompactFailed) + "\n" + result.error, platform::MsgButtons::Ok,
                         platform::MsgIcon::Warning);
        return;
    }
    document_->workingFileReplaced();
    platform::msgBox(std::string(texts::kCompactDone) + "（" + kilobytes(result.bytesBefore) + " → " +
                     kilobytes(result.bytesAfter) + "）");
}

}  // namespace quorvel
