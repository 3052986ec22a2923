#pragma once

#include <QKeyEvent>
#include <QTreeView>

#include "toolkit/ListViewModel.h"

namespace quorvel::ui {

// Mask of the modifier keys as the handlers take it: Shift 1, Ctrl 2, Alt 4.
int shiftMask(Qt::KeyboardModifiers modifiers);
// The mask of a key event; a modifier key being pressed counts as held.
int keyShiftMask(const QKeyEvent* event);
// Mouse buttons as the handlers take them: left 1, right 2, middle 4.
int buttonCode(Qt::MouseButton button);

// The report list: columns numbered from 1 with caption, width in twips,
// alignment, display position and header icon; rows with a key, the item
// text and nine sub-items; multiple selection; sorting by the shown texts.
class ListView : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);

    // Header icons by position (1 "up", 2 "down", 3 "clip").
    void setHeaderImages(std::vector<QIcon> icons);

    void addColumn(const QString& caption, double widthTwips);
    int columnCount() const;
    QString columnCaption(int column) const;
    double columnWidth(int column) const;
    void setColumnWidth(int column, double twips);
    int columnPosition(int column) const;
    void setColumnPosition(int column, int position);
    bool columnRightAligned(int column) const;
    void setColumnRightAligned(int column, bool right);
    int columnIcon(int column) const;
    void setColumnIcon(int column, int image);

    // Rows are numbered from 0 in display order.
    int addItem(const QString& key, const QString& text);
    void setSubItem(int row, int subItem, const QString& text);
    bool removeItem(const QString& key);
    void clearItems();
    int itemCount() const;
    int indexOfKey(const QString& key) const;
    QString itemKey(int row) const;
    QString itemText(int row) const;
    QString subItem(int row, int subItem) const;
    QStringList selectedKeys() const;
    // The selected rows' keys from the first row to the last.
    QStringList selectedKeysInOrder() const;
    void beginUpdate();
    void endUpdate();

    // The sort key is 0 for the item text, n for sub-item n.
    void setSorting(bool on, int key, bool descending);
    bool sorted() const;
    int sortKey() const;
    bool sortDescending() const;

    ListViewModel* listModel() const { return model_; }

signals:
    void ItemClick(int row);
    void ColumnClick(int column);
    void DblClick();
    void KeyDown(int key, int shift);
    void KeyUp(int key, int shift);
    void MouseDown(int button, int shift, const QPoint& pos);
    // The mouse dragged selected rows: the receiver runs the drag.
    void StartDrag();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    void applyWidth(int column);
    ListViewModel* model_;
    bool applyingWidth_ = false;
};

}  // namespace quorvel::ui
