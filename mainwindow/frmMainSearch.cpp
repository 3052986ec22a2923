// The search field above the mail list: Enter searches the open archive and
// fills the list with what it found, newest first; Esc, clearing the field or
// a click on a folder goes back to the current folder. Without a search the
// window behaves exactly as it always has.
#include <sqlite3.h>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <atomic>
#include <optional>

#include "folders/FolderTree.h"
#include "maillist/MailList.h"
#include "maillist/Preview.h"
#include "mainwindow/SearchBarTexts.h"
#include "mainwindow/frmMain.h"
#include "platform/dialogs/MessageService.h"
#include "search/QueryParser.h"
#include "search/Search.h"
#include "search/SearchIndex.h"
#include "search/SearchTexts.h"
#include "search/Tokenizer.h"
#include "toolkit/LongTask.h"
#include "toolkit/StatusBar.h"
#include "toolkit/TreeView.h"
#include "toolkit/Twips.h"

namespace quorvel {

namespace {

// What the search thread hands back.
struct SearchRun {
    bool opened = false;
    search::IndexResult indexed;
    search::SearchResult found;
    std::string error;
};

// Brings the working file's index in step (when the archive changed since
// the last time) and searches it, on a connection of its own.
SearchRun runSearch(const std::string& file, const search::Query& query, std::optional<int64_t> inFolder,
                    bool synchronise, const ui::TaskProgress& progress) {
    SearchRun run;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK ||
        !search::registerTokenizer(db, &run.error)) {
        if (run.error.empty()) {
            run.error = sqlite3_errmsg(db);
        }
        sqlite3_close(db);
        return run;
    }
    run.opened = true;
    sqlite3_busy_timeout(db, 2000);
    std::atomic<bool> cancel{false};
    if (synchronise) {
        run.indexed = search::synchronise(
            db, [&](int64_t done, int64_t total) { cancel = !progress(done, total); }, &cancel);
    } else {
        run.indexed.ok = true;
    }
    if (run.indexed.ok && !run.indexed.cancelled && progress(0, 0)) {
        run.found = search::search(db, query, inFolder, &cancel);
    }
    sqlite3_close(db);
    return run;
}

}  // namespace

void frmMain::buildSearchField() {
    txtSearch = new QLineEdit(picTitles);
    txtSearch->setPlaceholderText(QString::fromUtf8(texts::kSearchPlaceholder));
    txtSearch->setClearButtonEnabled(true);
    txtSearch->installEventFilter(this);
    connect(txtSearch, &QLineEdit::returnPressed, this, [this] { searchMails(txtSearch->text()); });
    connect(txtSearch, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty()) {
            endSearch(true);
        }
    });
    // A folder clicked in the tree is shown as always, and the search ends.
    connect(tvTreeView, &ui::TreeView::NodeClick, this, [this](const QString&) { endSearch(true); });
}

void frmMain::placeSearchField() {
    // Over the right part of the title strip, so that no pane moves: the
    // title's text starts at the left and is rarely that long.
    const int listLeft = ui::twipsToPx(layout_.list.left);
    const int listRight = listLeft + ui::twipsToPx(layout_.list.width);
    const int width = std::clamp(ui::twipsToPx(layout_.list.width) / 2, 120, 320);
    const int height = std::min(txtSearch->sizeHint().height(), ui::twipsToPx(layout_.picTitles.height));
    txtSearch->setGeometry(std::max(listLeft, listRight - width),
                           (ui::twipsToPx(layout_.picTitles.height) - height) / 2,
                           std::min(width, listRight - listLeft), height);
    txtSearch->raise();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtSearch && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        txtSearch->clear();  // ends the search through textChanged
        endSearch(true);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::focusSearchField() {
    txtSearch->setFocus(Qt::ShortcutFocusReason);
    txtSearch->selectAll();
}

bool frmMain::searchMails(const QString& text) {
    if (!archiveOpen()) {
        return false;
    }
    if (text.trimmed().isEmpty()) {
        endSearch(true);
        return false;
    }
    const search::ParsedQuery parsed = search::parseQuery(text.toStdString());
    if (!parsed.query) {
        platform::msgBox(parsed.message, platform::MsgButtons::Ok, platform::MsgIcon::Warning);
        return false;
    }
    // The index is brought in step when the archive may have changed since.
    const std::string file = workingFile(pv_);
    const std::string state = file + "#" + std::to_string(pv_.changes);
    std::optional<int64_t> inFolder;
    if (parsed.query->inCurrentFolder) {
        inFolder = archive::keyToId(pv_.curDir);
    }
    SearchRun run;
    const bool cancelled =
        ui::runLongTask(this, QString::fromUtf8(texts::kSearchProgress), [&](const ui::TaskProgress& progress) {
            run = runSearch(file, *parsed.query, inFolder, state != indexedState_, progress);
        });
    if (cancelled || run.indexed.cancelled || run.found.status == search::SearchResult::Status::Cancelled) {
        return false;
    }
    if (!run.opened || !run.indexed.ok) {
        platform::msgBox(std::string(search::texts::kIndexFailed) + "\n" + (run.opened ? run.indexed.error : run.error),
                         platform::MsgButtons::Ok, platform::MsgIcon::Warning);
        return false;
    }
    indexedState_ = state;
    if (run.found.status != search::SearchResult::Status::Done) {
        platform::msgBox(std::string(search::texts::kSearchFailed) + "\n" + run.found.error, platform::MsgButtons::Ok,
                         platform::MsgIcon::Warning);
        return false;
    }
    searching_ = true;
    foundFolders_.clear();
    for (const search::Hit& hit : run.found.hits) {
        foundFolders_[archive::makeKey(hit.id)] = archive::makeKey(hit.dirId);
    }
    mailList_->showHits(run.found.hits);
    preview_->clearPreview();
    lblTitle0->setText(QString::fromUtf8(texts::kSearchTitlePrefix) + text);
    showSearchCount();
    return true;
}

void frmMain::showSearchCount(const std::string& selectedKey) {
    QString status = QString::number(mailList_->count()) + QString::fromUtf8(texts::kSearchFoundSuffix);
    // The folder of the mail selected, as the title shows a folder's path.
    if (auto folder = foundFolders_.find(selectedKey); folder != foundFolders_.end()) {
        status += QString::fromUtf8(texts::kSearchFolderPrefix) +
                  tvTreeView->fullPath(QString::fromStdString(folder->second));
    }
    sbStatusBar->setPanelText(1, status);
}

void frmMain::endSearch(bool showFolder) {
    if (!searching_) {
        return;
    }
    searching_ = false;
    foundFolders_.clear();
    if (!txtSearch->text().isEmpty()) {
        const QSignalBlocker quiet(txtSearch);
        txtSearch->clear();
    }
    if (showFolder && archiveOpen()) {
        folderTree_->showFolder(QString::fromStdString(pv_.curDir));
    }
}

}  // namespace quorvel
