// The import of whole mailboxes into the open archive, from the ツール menu
// and from drops of folders and mbox files: the work runs on a thread of its
// own with its own connection to the working file, the window shows its
// progress and takes キャンセル, and shows what came of it afterwards.
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <mutex>

#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "folders/FolderTree.h"
#include "import/MailImporter.h"
#include "mailboximport/ImportTexts.h"
#include "mailboximport/MailboxImporter.h"
#include "maillist/MailList.h"
#include "mainwindow/ImportTexts.h"
#include "mainwindow/frmMain.h"
#include "platform/dialogs/FileDialogService.h"
#include "platform/dialogs/MessageService.h"
#include "toolkit/LongTask.h"
#include "toolkit/StatusBar.h"

namespace quorvel {

namespace {

QString t(const char* text) {
    return QString::fromUtf8(text);
}

// Asks whether duplicates are to be left out; false when the user cancelled.
bool askSkipDuplicates(QWidget* parent, bool& skip) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmImportOptions"));
    dialog.setWindowTitle(t(texts::kImportOptionsTitle));
    auto* layout = new QVBoxLayout(&dialog);
    auto* check = new QCheckBox(t(texts::kImportSkipDuplicates), &dialog);
    check->setObjectName(QStringLiteral("chkSkipDuplicates"));
    check->setChecked(true);
    layout->addWidget(check);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(t(texts::kImportOk), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(t(texts::kImportCancel), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    skip = check->isChecked();
    return true;
}

// "3件のメールを登録", with the duplicates left out (when `duplicates`) and
// the folders made (when there are any).
std::string countLines(const mailboximport::ImportResult& r, bool duplicates, const char* separator) {
    std::string text = std::to_string(r.stored) + mailimport::kStoredSuffix;
    if (duplicates) {
        text += separator + std::to_string(r.duplicates) + mailboximport::texts::kDuplicatesSuffix;
    }
    if (r.foldersMade > 0) {
        text += separator + std::to_string(r.foldersMade) + mailboximport::texts::kFoldersSuffix;
    }
    return text;
}

QString progressText(const mailboximport::ImportProgress& p) {
    return t(texts::kImportProgress) + QLatin1Char('\n') + QString::fromStdString(p.folder) + QLatin1Char('\n') +
           QString::number(p.stored) + t(mailimport::kStoredSuffix) + QStringLiteral("（") +
           QString::number(p.mailsPerSecond, 'f', 0) + t(texts::kImportRateSuffix) + QStringLiteral("）");
}

// The access layer's failures, kept while the import runs off the window's
// thread (where no box may be shown) and shown by the window afterwards.
class KeptDbFailures {
public:
    KeptDbFailures() {
        archive::setDbErrorSink([this](const archive::DbFailure& f) {
            std::lock_guard<std::mutex> lock(mutex_);
            kept_.push_back(f);
        });
    }
    ~KeptDbFailures() { archive::setDbErrorSink({}); }
    KeptDbFailures(const KeptDbFailures&) = delete;
    KeptDbFailures& operator=(const KeptDbFailures&) = delete;

    // Puts the window's error box back and shows each failure kept in it.
    void showAll() {
        archive::setDbErrorSink({});
        std::lock_guard<std::mutex> lock(mutex_);
        for (const archive::DbFailure& f : kept_) {
            archive::showDbErrorBox(f);
        }
        kept_.clear();
    }

private:
    std::mutex mutex_;
    std::vector<archive::DbFailure> kept_;
};

}  // namespace

void frmMain::mnuToolImport_Click() {
    if (!archiveOpen()) {
        return;
    }
    const std::vector<std::string> paths =
        platform::fileDialogs().showOpenPaths({texts::kImportChooseTitle, "", pv_.arcPath});
    bool skip = true;
    if (paths.empty() || !askSkipDuplicates(this, skip)) {
        return;
    }
    importMailboxes(paths, pv_.curDir, skip, ImportFrom::Menu);
}

void frmMain::importMailboxes(const std::vector<std::string>& paths, const std::string& dirKey, bool skipDuplicates,
                              ImportFrom from) {
    if (!archiveOpen() || !tvTreeView->exists(QString::fromStdString(dirKey))) {
        return;
    }
    mailboximport::ImportOptions options;
    options.skipDuplicates = skipDuplicates;
    mailboximport::ImportResult result;
    int32_t mails = mailCounter;
    int32_t folders = dirCounter;
    std::mutex progressLock;
    mailboximport::ImportProgress latest;

    KeptDbFailures failures;
    const archive::ArchiveLocation at = pv_;  // the worker's own copy
    const int32_t target = archive::keyToId(dirKey);
    ui::runLongTask(
        this, t(texts::kImportProgress),
        [&](const ui::TaskProgress& task) {
            result = mailboximport::importMailboxes(at, paths, target, mails, folders, options, [&](const auto& p) {
                {
                    std::lock_guard<std::mutex> lock(progressLock);
                    latest = p;
                }
                return task(static_cast<int64_t>(p.bytesDone), static_cast<int64_t>(p.bytesTotal));
            });
        },
        // The progress window's text follows the import: folder, count, rate.
        [&] {
            std::lock_guard<std::mutex> lock(progressLock);
            return progressText(latest);
        });
    failures.showAll();
    // Identifiers handed out stay used, whatever was kept.
    mailCounter = mails;
    dirCounter = folders;
    pv_.markModified();
    folderTree_->reloadTree(QString::fromStdString(dirKey));
    mailList_->s_mailListLoad(pv_.curDir);
    sbStatusBar->setPanelText(1, QString::fromStdString(countLines(result, result.duplicates > 0, "、")));

    std::string rejected;
    if (!result.notMail.empty()) {
        ++errLogCount;
        const std::string logPath = mailimport::errorLogPath(pv_.workPath, errLogCount);
        mailimport::writeErrorLog(logPath, mailimport::rejectedListText(result.notMail));
        rejected = mailimport::rejectedFilesMessage(mailimport::rejectedListForBox(result.notMail), logPath);
    }
    if (from == ImportFrom::Drop) {
        if (!rejected.empty()) {
            platform::msgBox(rejected);
        }
        return;
    }
    const char* outcome = result.failed      ? texts::kImportFailed
                          : result.cancelled ? texts::kImportCancelled
                                             : texts::kImportDone;
    std::string summary = std::string(outcome) + "\n" + countLines(result, skipDuplicates, "\n");
    if (!rejected.empty()) {
        summary += "\n\n" + rejected;
    }
    platform::msgBox(summary, platform::MsgButtons::Ok,
                     result.failed || !rejected.empty() ? platform::MsgIcon::Warning : platform::MsgIcon::Information);
}

}  // namespace quorvel
