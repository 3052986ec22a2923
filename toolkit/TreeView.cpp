#include "toolkit/TreeView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <algorithm>
#include <utility>

#include "toolkit/ListView.h"

namespace quorvel::ui {

namespace {
constexpr int kKeyRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
}  // namespace

// Hands a finished label edit to the tree's handler, which may refuse it.
class TreeLabelDelegate : public QStyledItemDelegate {
public:
    explicit TreeLabelDelegate(TreeView* tree) : QStyledItemDelegate(tree), tree_(tree) {}
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line) {
            return;
        }
        QTreeWidgetItem* item = tree_->itemFromIndex(index);
        bool cancel = false;
        emit tree_->AfterLabelEdit(tree_->keyOf(item), line->text(), &cancel);
        if (!cancel) {
            model->setData(index, line->text(), Qt::EditRole);
            tree_->resortParentOf(item);
        }
    }

private:
    TreeView* tree_;
};

TreeView::TreeView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new TreeLabelDelegate(this));
    setLabelEdit(LabelEdit::Automatic);
    setDragEnabled(true);  // the drag itself is the receiver's of StartDrag
    // A slow second click on the selected node renames it, after the
    // double-click time has passed without a second click.
    renameTimer_.setSingleShot(true);
    connect(&renameTimer_, &QTimer::timeout, this, [this] {
        QTreeWidgetItem* item = renameItem_;
        renameItem_ = nullptr;
        if (item && labelEdit_ == LabelEdit::Automatic && item == currentItem() && nodes_.contains(keyOf(item))) {
            editItem(item, 0);
        }
    });
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { emit NodeClick(keyOf(item)); });
}

QString TreeView::keyOf(const QTreeWidgetItem* item) const {
    return item ? item->data(0, kKeyRole).toString() : QString();
}

int TreeView::addNode(const QString& parentKey, const QString& key, const QString& text, const QString& image) {
    if (nodes_.contains(key)) {
        return kErrKeyNotUnique;
    }
    QTreeWidgetItem* parentItem = nullptr;
    if (!parentKey.isEmpty()) {
        parentItem = nodes_.value(parentKey, nullptr);
        if (!parentItem) {
            return kErrNoSuchNode;
        }
    }
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, kKeyRole, key);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (parentItem) {
        parentItem->addChild(item);
    } else {
        addTopLevelItem(item);
    }
    nodes_.insert(key, item);
    order_.push_back(item);
    setImage(key, image);
    resortParentOf(item);
    return kOk;
}

void TreeView::setEditable(const QString& key, bool editable) {
    if (QTreeWidgetItem* item = nodes_.value(key, nullptr)) {
        item->setFlags(editable ? item->flags() | Qt::ItemIsEditable : item->flags() & ~Qt::ItemIsEditable);
    }
}

void TreeView::forget(QTreeWidgetItem* item) {
    if (renameItem_ == item || pressedSelected_ == item) {
        cancelPendingRename();
    }
    for (int i = 0; i < item->childCount(); ++i) {
        forget(item->child(i));
    }
    const QString key = keyOf(item);
    nodes_.remove(key);
    sorted_.remove(item);
    order_.erase(std::remove(order_.begin(), order_.end(), item), order_.end());
    if (dropHighlight_ == key) {
        dropHighlight_.clear();
    }
}

int TreeView::removeNode(const QString& key) {
    QTreeWidgetItem* item = nodes_.value(key, nullptr);
    if (!item) {
        return kErrNoSuchNode;
    }
    forget(item);
    delete item;  // takes its subtree with it
    return kOk;
}

void TreeView::clearNodes() {
    cancelPendingRename();
    nodes_.clear();
    order_.clear();
    sorted_.clear();
    dropHighlight_.clear();
    clear();
}

QString TreeView::keyAt(int position) const {
    if (position < 1 || position > nodeCount()) {
        return {};
    }
    return keyOf(order_[static_cast<size_t>(position - 1)]);
}

int TreeView::positionOf(const QString& key) const {
    QTreeWidgetItem* item = nodes_.value(key, nullptr);
    auto it = std::find(order_.begin(), order_.end(), item);
    return item && it != order_.end() ? static_cast<int>(it - order_.begin()) + 1 : 0;
}

QString TreeView::text(const QString& key) const {
    QTreeWidgetItem* item = nodes_.value(key, nullptr);
    return item ? item->text(0) : QString();
}

void TreeView::setText(const QString& key, const QString& text) {
    if (QTreeWidgetItem* item = nodes_.value(key, nullptr)) {
        item->setText(0, text);
        resortParentOf(item);
    }
}

QString TreeView::image(const QString& key) const {
    QTreeWidgetItem* item = nodes_.value(key, nullptr);
    return item ? item->data(0, kImageRole).toString() : QString();
}

void TreeView::setImage(const QString& key, const QString& image) {
    if (QTreeWidgetItem* item = nodes_.value(key, nullptr)) {
        item->setData(0, kImageRole, image);
        item->setIcon(0, images_.value(image));
    }
}

QString TreeView::parentKey(const QString& key) const {
    QTreeWidgetItem* item = nodes_.value(key, nullptr);
    return item ? keyOf(item->parent()) : QString();
}

int TreeView::setParent(const QString& key, const QString& parentKey) {
    QTreeWidgetItem* item = nodes_.value(key, nullptr);
    QTreeWidgetItem* newParent = nodes_.value(parentKey, nullptr);
    if (!item || !newParent) {
        return kErrNoSuchNode;
    }
    for (QTreeWidgetItem* p = newParent; p; p = p->parent()) {
        if (p == item) {
            return kErrCycle;
        }
    }
    if (item->parent() == newParent) {
        return kOk;
    }
    const bool wasExpanded = item->isExpanded();
    QTreeWidgetItem* oldParent = item->parent();
    if (oldParent) {
        oldParent->removeChild(item);
    } else {
        takeTopLevelItem(indexOfTopLevelItem(item));
    }
    newParent->addChild(item);  // the subtree moves with the node
    item->setExpanded(wasExpanded);
    resortParentOf(item);
    return kOk;
}

QString TreeView::firstChild(const QString& key) const {
    QTreeWidgetItem* item = nodes_.value(key, nullptr);
    return item && item->childCount() > 0 ? keyOf(item->child(0)) : QString();
}

int TreeView::childCount(const QString& key) const {
    QTreeWidgetItem* item = nodes_.value(key, nullptr);
    return item ? item->childCount() : 0;
}

bool TreeView::sortedFlag(const QString& key) const {
    return sorted_.value(nodes_.value(key, nullptr), false);
}

void TreeView::setSorted(const QString& key, bool sorted) {
    QTreeWidgetItem* item = nodes_.value(key, nullptr);
    if (!item) {
        return;
    }
    sorted_.insert(item, sorted);
    if (sorted) {
        item->sortChildren(0, Qt::AscendingOrder);
    }
}

void TreeView::resortParentOf(QTreeWidgetItem* item) {
    QTreeWidgetItem* parentItem = item ? item->parent() : nullptr;
    if (parentItem && sorted_.value(parentItem, false)) {
        parentItem->sortChildren(0, Qt::AscendingOrder);
    }
}

bool TreeView::expanded(const QString& key) const {
    QTreeWidgetItem* item = nodes_.value(key, nullptr);
    return item && item->isExpanded();
}

void TreeView::setNodeExpanded(const QString& key, bool expanded) {
    if (QTreeWidgetItem* item = nodes_.value(key, nullptr)) {
        item->setExpanded(expanded);
    }
}

QString TreeView::fullPath(const QString& key) const {
    QStringList parts;
    for (QTreeWidgetItem* p = nodes_.value(key, nullptr); p; p = p->parent()) {
        parts.prepend(p->text(0));
    }
    return parts.join(QLatin1Char('\\'));
}

QString TreeView::selectedKey() const {
    return keyOf(currentItem());
}

void TreeView::selectNode(const QString& key) {
    if (QTreeWidgetItem* item = nodes_.value(key, nullptr)) {
        setCurrentItem(item);
        scrollToItem(item);
    }
}

void TreeView::setDropHighlight(const QString& key) {
    if (QTreeWidgetItem* old = nodes_.value(dropHighlight_, nullptr)) {
        old->setBackground(0, QBrush());
        old->setForeground(0, QBrush());
    }
    dropHighlight_.clear();
    if (QTreeWidgetItem* item = nodes_.value(key, nullptr)) {
        item->setBackground(0, palette().highlight());
        item->setForeground(0, palette().highlightedText());
        dropHighlight_ = key;
    }
}

QString TreeView::hitTest(const QPoint& pos) const {
    return keyOf(itemAt(pos));
}

void TreeView::setLabelEdit(LabelEdit mode) {
    labelEdit_ = mode;
    // Qt's own click trigger is not used: the press handler selects the node
    // before Qt sees the press, so Qt would take every click for a click on
    // a selected node. The slow second click is timed in the mouse handlers.
    setEditTriggers(mode == LabelEdit::Automatic ? QAbstractItemView::EditKeyPressed
                                                 : QAbstractItemView::NoEditTriggers);
    if (mode != LabelEdit::Automatic) {
        cancelPendingRename();
    }
}

void TreeView::cancelPendingRename() {
    renameTimer_.stop();
    renameItem_ = nullptr;
    pressedSelected_ = nullptr;
}

void TreeView::startLabelEdit(const QString& key) {
    if (QTreeWidgetItem* item = nodes_.value(key, nullptr)) {
        editItem(item, 0);
    }
}

void TreeView::keyPressEvent(QKeyEvent* event) {
    cancelPendingRename();
    emit KeyDown(event->key(), keyShiftMask(event));
    QTreeWidget::keyPressEvent(event);
}

void TreeView::mousePressEvent(QMouseEvent* event) {
    cancelPendingRename();
    // Whether the node was selected before this press: only then can the
    // click rename it. Read before MouseDown, whose handler selects the node.
    QTreeWidgetItem* under = itemAt(event->pos());
    if (under && under == currentItem() && under->isSelected() && event->button() == Qt::LeftButton &&
        event->modifiers() == Qt::NoModifier) {
        pressedSelected_ = under;
    }
    emit MouseDown(buttonCode(event->button()), shiftMask(event->modifiers()), event->pos());
    QTreeWidget::mousePressEvent(event);
}

void TreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    cancelPendingRename();
    QTreeWidget::mouseDoubleClickEvent(event);
}

void TreeView::startDrag(Qt::DropActions) {
    cancelPendingRename();
    emit StartDrag();
}

void TreeView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidgetItem* pressed = std::exchange(pressedSelected_, nullptr);
    QTreeWidget::mouseReleaseEvent(event);
    emit MouseUp(buttonCode(event->button()), shiftMask(event->modifiers()), event->pos());
    if (pressed && labelEdit_ == LabelEdit::Automatic && event->button() == Qt::LeftButton &&
        itemAt(event->pos()) == pressed && nodes_.contains(keyOf(pressed))) {
        renameItem_ = pressed;
        renameTimer_.start(QApplication::doubleClickInterval());
    }
}

}  // namespace quorvel::ui
