#include "toolkit/ListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

#include "toolkit/Twips.h"

namespace quorvel::ui {

int shiftMask(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

int buttonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        case Qt::MiddleButton:
            return 4;
        default:
            return 0;
    }
}

int keyShiftMask(const QKeyEvent* event) {
    // Pressing a modifier key itself holds it down, whatever the platform
    // reports in the event's modifiers.
    int own = 0;
    switch (event->key()) {
        case Qt::Key_Shift:
            own = 1;
            break;
        case Qt::Key_Control:
            own = 2;
            break;
        case Qt::Key_Alt:
            own = 4;
            break;
        default:
            break;
    }
    return event->type() == QEvent::KeyPress ? shiftMask(event->modifiers()) | own : shiftMask(event->modifiers());
}

ListView::ListView(QWidget* parent) : QTreeView(parent), model_(new ListViewModel(this)) {
    setModel(model_);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);      // the drag itself is the receiver's of StartDrag
    setSortingEnabled(false);  // sorting follows the program's own header handling
    header()->setSectionsMovable(true);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(0);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int section) { emit ColumnClick(section + 1); });
    connect(header(), &QHeaderView::sectionResized, this, [this](int section, int, int newSize) {
        if (!applyingWidth_ && section < columnCount()) {
            model_->columns()[static_cast<size_t>(section)].widthTwips = pxToTwips(newSize);
        }
    });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            emit ItemClick(index.row());
        }
    });
}

void ListView::setHeaderImages(std::vector<QIcon> icons) {
    model_->setHeaderIcons(std::move(icons));
}

void ListView::addColumn(const QString& caption, double widthTwips) {
    model_->addColumn({caption, widthTwips, false, 0});
    applyWidth(columnCount());
}

int ListView::columnCount() const {
    return static_cast<int>(model_->columns().size());
}

QString ListView::columnCaption(int column) const {
    return model_->columns()[static_cast<size_t>(column - 1)].caption;
}

double ListView::columnWidth(int column) const {
    return model_->columns()[static_cast<size_t>(column - 1)].widthTwips;
}

void ListView::setColumnWidth(int column, double twips) {
    model_->columns()[static_cast<size_t>(column - 1)].widthTwips = twips < 0 ? 0 : twips;
    applyWidth(column);
}

void ListView::applyWidth(int column) {
    applyingWidth_ = true;
    header()->resizeSection(column - 1, twipsToPx(model_->columns()[static_cast<size_t>(column - 1)].widthTwips));
    applyingWidth_ = false;
}

int ListView::columnPosition(int column) const {
    return header()->visualIndex(column - 1) + 1;
}

void ListView::setColumnPosition(int column, int position) {
    const int to = std::clamp(position, 1, columnCount()) - 1;
    header()->moveSection(header()->visualIndex(column - 1), to);
}

bool ListView::columnRightAligned(int column) const {
    return model_->columns()[static_cast<size_t>(column - 1)].rightAligned;
}

void ListView::setColumnRightAligned(int column, bool right) {
    model_->columns()[static_cast<size_t>(column - 1)].rightAligned = right;
    model_->columnChanged(column - 1);
}

int ListView::columnIcon(int column) const {
    return model_->columns()[static_cast<size_t>(column - 1)].icon;
}

void ListView::setColumnIcon(int column, int image) {
    model_->columns()[static_cast<size_t>(column - 1)].icon = image;
    model_->columnChanged(column - 1);
}

int ListView::addItem(const QString& key, const QString& text) {
    ListViewModel::Row row;
    row.key = key;
    row.cells[0] = text;
    return model_->addRow(std::move(row));
}

void ListView::setSubItem(int row, int subItem, const QString& text) {
    model_->setCell(row, subItem, text);
}

bool ListView::removeItem(const QString& key) {
    return model_->removeKey(key);
}

void ListView::clearItems() {
    model_->clear();
}

int ListView::itemCount() const {
    return model_->rowCount();
}

int ListView::indexOfKey(const QString& key) const {
    return model_->indexOfKey(key);
}

QString ListView::itemKey(int row) const {
    return model_->row(row).key;
}

QString ListView::itemText(int row) const {
    return model_->row(row).cells[0];
}

QString ListView::subItem(int row, int subItem) const {
    return model_->row(row).cells[static_cast<size_t>(subItem)];
}

QStringList ListView::selectedKeys() const {
    QStringList keys;
    const auto rows = selectionModel()->selectedRows();
    for (const auto& index : rows) {
        keys << model_->row(index.row()).key;
    }
    return keys;
}

QStringList ListView::selectedKeysInOrder() const {
    QList<int> rows;
    for (const auto& index : selectionModel()->selectedRows()) {
        rows << index.row();
    }
    std::sort(rows.begin(), rows.end());
    QStringList keys;
    for (int row : rows) {
        keys << model_->row(row).key;
    }
    return keys;
}

void ListView::beginUpdate() {
    model_->beginBatch();
}

void ListView::endUpdate() {
    model_->endBatch();
}

void ListView::setSorting(bool on, int key, bool descending) {
    model_->setSort(on, key, descending);
}

bool ListView::sorted() const {
    return model_->sorted();
}

int ListView::sortKey() const {
    return model_->sortKey();
}

bool ListView::sortDescending() const {
    return model_->descending();
}

void ListView::keyPressEvent(QKeyEvent* event) {
    emit KeyDown(event->key(), keyShiftMask(event));
    QTreeView::keyPressEvent(event);
}

void ListView::keyReleaseEvent(QKeyEvent* event) {
    emit KeyUp(event->key(), shiftMask(event->modifiers()));
    QTreeView::keyReleaseEvent(event);
}

void ListView::mousePressEvent(QMouseEvent* event) {
    QTreeView::mousePressEvent(event);
    emit MouseDown(buttonCode(event->button()), shiftMask(event->modifiers()), event->pos());
}

void ListView::startDrag(Qt::DropActions) {
    emit StartDrag();
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->pos()).isValid()) {
        emit DblClick();
    }
}

}  // namespace quorvel::ui
