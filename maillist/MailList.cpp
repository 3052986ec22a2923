#include "maillist/MailList.h"

#include <QCursor>
#include <QMenu>

#include "app/RegIO.h"
#include "archive/LtDataBaseInfo.h"
#include "archive/Schema.h"

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

void MailList::lvListView_MouseDown(int button, int, const QPoint&) {
    if (mouseDownDrag) {
        mouseDownDrag();
    }
    if (button == 2) {
        contextMenu_.popup(QCursor::pos());
    }
}

}  // namespace quorvel
