#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/ProgramValues.h"
#include "search/Search.h"
#include "toolkit/ListView.h"

class QMenu;

namespace quorvel {

// The mail list: the current folder's mails in ten columns, sorted by a
// header click, with its column layout kept in the settings. It dispatches
// clicks, keys and the context menu to the preview and the deletion.
class MailList : public QObject {
    Q_OBJECT
public:
    MailList(ProgramValues& pv, ui::ListView& list, QMenu& contextMenu, QObject* parent = nullptr);

    // What the list hands on to others.
    std::function<void(const std::string& mailKey)> showPreview;  // an item click
    std::function<void()> deleteMails;                            // the Delete key
    std::function<void()> mouseDownDrag;                          // empties the drag lists
    std::function<void()> resetPreview;                           // after mails were deleted

    // Adds the ten columns and applies the stored positions and widths.
    void buildColumns();
    // Writes every column's position and width to the settings.
    void storeLayout();
    // Fills the list with the mails of a folder; on a failed read the list
    // keeps what it showed.
    void s_mailListLoad(const std::string& dirKey);
    // Fills the list with mails found by a search, in the order given, in the
    // same columns as a folder's mails.
    void showHits(const std::vector<search::Hit>& hits);

    // Deletes the selected mails from the list and, in one transaction, both
    // rows of each from the archive.
    void mnuDelMal();
    // Opens the selected mail in the mail program.
    void lvListView_DblClick();

    void lvListView_ColumnClick(int column);
    void lvListView_ItemClick(int row);
    void lvListView_KeyDown(int key, int shift);
    void lvListView_KeyUp(int key, int shift);
    void lvListView_MouseDown(int button, int shift, const QPoint& pos);

    // 0 never clicked, 1 last sorted ascending, 2 last sorted descending.
    const std::array<int, 11>& sortState() const { return sortState_; }
    int modifierState() const { return modifierState_; }
    int count() const { return list_.itemCount(); }

    // The header images' positions.
    static constexpr int kIconUp = 1;
    static constexpr int kIconDown = 2;

private:
    ProgramValues& pv_;
    ui::ListView& list_;
    QMenu& contextMenu_;
    std::array<int, 11> sortState_{};
    int modifierState_ = 0;
};

}  // namespace quorvel
