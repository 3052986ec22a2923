#include "maillist/MailList.h"

#include <QCursor>
#include <QMenu>
#include <filesystem>

#include "app/RegIO.h"
#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"
#include "maillist/MailDeletion.h"
#include "maillist/MailerLaunch.h"
#include "maillist/StoredMail.h"
#include "platform/dialogs/MessageService.h"

namespace quorvel {

using archive::col::kInfId;
using archive::col::kInfSize;

MailList::MailList(ProgramValues& pv, ui::ListView& list, QMenu& contextMenu, QObject* parent)
    : QObject(parent), pv_(pv), list_(list), contextMenu_(contextMenu) {
    connect(&list_, &ui::ListView::ColumnClick, this, &MailList::lvListView_ColumnClick);
    connect(&list_, &ui::ListView::ItemClick, this, &MailList::lvListView_ItemClick);
    connect(&list_, &ui::ListView::KeyDown, this, &MailList::lvListView_KeyDown);
    connect(&list_, &ui::ListView::KeyUp, this, &MailList::lvListView_KeyUp);
    connect(&list_, &ui::ListView::MouseDown, this, &MailList::lvListView_MouseDown);
    connect(&list_, &ui::ListView::DblClick, this, &MailList::lvListView_DblClick);
}

void MailList::mnuDelMal() {
    std::vector<int32_t> ids;
    for (const QString& key : list_.selectedKeysInOrder()) {
        ids.push_back(archive::keyToId(key.toStdString()));
    }
    for (int32_t id : ids) {
        list_.removeItem(QString::fromStdString(archive::makeKey(id)));
    }
    if (!ids.empty()) {
        deleteMailsFromArchive(workingFile(pv_), pv_.defs, ids);
    }
    if (resetPreview) {
        resetPreview();
    }
    pv_.markModified();
}

void MailList::lvListView_DblClick() {
    const QStringList selected = list_.selectedKeysInOrder();
    if (selected.isEmpty()) {
        return;
    }
    const int32_t id = archive::keyToId(selected.first().toStdString());
    if (id <= 0) {
        return;
    }
    const std::string path = pv_.workPath + "/" + std::to_string(id) + ".eml";
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        writeStoredMail(pv_, id, path);
    }
    if (!std::filesystem::exists(path, ec)) {
        return;  // the stored copy was not found
    }
    if (pv_.mailerCmd.empty()) {
        platform::msgBox(kMsgNoMailer);
    } else if (!startMailer(pv_.mailerCmd, path)) {
        platform::msgBox("メーラーを起動できませんでした。\n" + pv_.mailerCmd, platform::MsgButtons::Ok,
                         platform::MsgIcon::Warning);
    }
}

void MailList::buildColumns() {
    for (int i = kInfId; i <= kInfSize; ++i) {
        const auto& c = pv_.defs.infCols[static_cast<size_t>(i)];
        list_.addColumn(QString::fromStdString(c.caption), c.width);
    }
    for (int i = 1; i <= 10; ++i) {
        const auto& c = pv_.defs.infCols[static_cast<size_t>(i)];
        // A stored value that is not a usable number gives the column's default.
        auto position = plainNumber(f_regGetVal("", "hedP" + std::to_string(i), std::to_string(i)));
        list_.setColumnPosition(i, position && *position >= 1 && *position <= 10 ? static_cast<int>(*position) : i);
        auto width = plainNumber(f_regGetVal("", "hedW" + std::to_string(i), std::to_string(c.width)));
        list_.setColumnWidth(i, width && *width >= 0 && *width < 1e6 ? *width : c.width);
    }
    list_.setColumnRightAligned(10, true);
}

void MailList::storeLayout() {
    for (int i = 1; i <= list_.columnCount(); ++i) {
        f_regSetVal("", "hedP" + std::to_string(i), list_.columnPosition(i));
        f_regSetVal("", "hedW" + std::to_string(i), list_.columnWidth(i));
    }
}

void MailList::s_mailListLoad(const std::string& dirKey) {
    const int32_t dirId = archive::keyToId(dirKey);
    if (dirId <= 0) {
        return;
    }
    archive::LtDataBaseInfo db(workingFile(pv_), pv_.defs.tblNames[archive::kMailInfTabl]);
    if (!db.DB_Open(archive::sqlMailList(pv_.defs, dirId), false)) {
        return;
    }
    db.DB_MoveFirst();
    list_.clearItems();
    list_.beginUpdate();
    archive::RecordSet& rs = *db.RecSet;
    std::array<archive::Field*, 10> fields{};
    for (int i = kInfId; i <= kInfSize; ++i) {
        fields[static_cast<size_t>(i - 1)] = &rs.Fields(pv_.defs.infCols[static_cast<size_t>(i)].colName);
    }
    while (!rs.isEOF()) {
        const QString key = QString::fromStdString(archive::makeKey(fields[0]->Value().toInt()));
        const int row = list_.addItem(key, QString());
        for (int sub = 1; sub <= 9; ++sub) {
            // A null column shows as the empty text.
            list_.setSubItem(row, sub, QString::fromStdString(fields[static_cast<size_t>(sub)]->Value().toText()));
        }
        if (!db.DB_MoveNext()) {
            break;
        }
    }
    list_.endUpdate();
    db.DB_Close();
}

void MailList::showHits(const std::vector<search::Hit>& hits) {
    list_.clearItems();
    list_.beginUpdate();
    for (const search::Hit& hit : hits) {
        const int row = list_.addItem(QString::fromStdString(archive::makeKey(hit.id)), QString());
        const std::string* columns[] = {&hit.mailType, &hit.priority, &hit.attachment, &hit.dateR, &hit.from,
                                        &hit.subject,  &hit.date,     &hit.to,         &hit.size};
        for (int sub = 1; sub <= 9; ++sub) {
            list_.setSubItem(row, sub, QString::fromStdString(*columns[sub - 1]));
        }
    }
    list_.endUpdate();
}

void MailList::lvListView_ColumnClick(int column) {
    if (column < 1 || column > 10) {
        return;
    }
    for (int i = 1; i <= list_.columnCount(); ++i) {
        list_.setColumnIcon(i, 0);
    }
    const int state = sortState_[static_cast<size_t>(column)] == 2 ? 1 : 2;
    sortState_[static_cast<size_t>(column)] = state;
    // The narrow mark columns sort but never show an icon.
    if (column > 4) {
        list_.setColumnIcon(column, state == 1 ? kIconUp : kIconDown);
    }
    list_.setSorting(true, column - 1, state == 2);
}

void MailList::lvListView_ItemClick(int row) {
    if (modifierState_ != 0 || row < 0 || row >= list_.itemCount()) {
        return;  // a selection made with a modifier held leaves the preview alone
    }
    if (showPreview) {
        showPreview(list_.itemKey(row).toStdString());
    }
}

void MailList::lvListView_KeyDown(int key, int shift) {
    modifierState_ = shift;
    if (key == Qt::Key_Delete && shift == 0 && deleteMails) {
        deleteMails();
    }
}

void MailList::lvListView_KeyUp(int, int) {
    modifierState_ = 0;
}

void MailList::lvListView_MouseDown(int button, int shift, const QPoint&) {
    // The click's own modifiers: a key release that went to a dialog must
    // not leave Ctrl or Shift held here.
    modifierState_ = shift;
    if (mouseDownDrag) {
        mouseDownDrag();
    }
    if (button == 2) {
        contextMenu_.popup(QCursor::pos());
    }
}

}  // namespace quorvel
