#pragma once

#include <QHash>
#include <QIcon>
#include <QTimer>
#include <QTreeWidget>
#include <vector>

namespace quorvel::ui {

// The folder tree: nodes addressed by key and by position (from 1, in order of
// addition), with an image key, a settable parent that refuses a cycle, a
// sorted flag per node (its children in name order), a full path joined by
// "\", selection, a drop highlight, hit testing and label editing.
class TreeView : public QTreeWidget {
    Q_OBJECT
public:
    // The answers of the node operations that can fail.
    static constexpr int kOk = 0;
    static constexpr int kErrNoSuchNode = 35601;
    static constexpr int kErrKeyNotUnique = 35602;
    static constexpr int kErrCycle = 35614;  // a node cannot become a child of its own subtree

    enum class LabelEdit { Automatic, Manual };

    explicit TreeView(QWidget* parent = nullptr);

    void setImageList(QHash<QString, QIcon> images) { images_ = std::move(images); }

    // Adds a node under `parentKey` ("" for a top-level node).
    int addNode(const QString& parentKey, const QString& key, const QString& text, const QString& image);
    int removeNode(const QString& key);
    void clearNodes();

    int nodeCount() const { return static_cast<int>(order_.size()); }
    bool exists(const QString& key) const { return nodes_.contains(key); }
    QString keyAt(int position) const;
    int positionOf(const QString& key) const;

    QString text(const QString& key) const;
    void setText(const QString& key, const QString& text);
    QString image(const QString& key) const;
    void setImage(const QString& key, const QString& image);
    QString parentKey(const QString& key) const;
    int setParent(const QString& key, const QString& parentKey);
    QString firstChild(const QString& key) const;
    int childCount(const QString& key) const;
    bool sortedFlag(const QString& key) const;
    void setSorted(const QString& key, bool sorted);
    bool expanded(const QString& key) const;
    void setNodeExpanded(const QString& key, bool expanded);
    QString fullPath(const QString& key) const;

    QString selectedKey() const;
    void selectNode(const QString& key);
    QString dropHighlight() const { return dropHighlight_; }
    void setDropHighlight(const QString& key);
    QString hitTest(const QPoint& pos) const;

    void setLabelEdit(LabelEdit mode);
    LabelEdit labelEdit() const { return labelEdit_; }
    void startLabelEdit(const QString& key);
    // A node that is not editable never opens the label editor.
    void setEditable(const QString& key, bool editable);

    QTreeWidgetItem* item(const QString& key) const { return nodes_.value(key, nullptr); }
    QString keyOf(const QTreeWidgetItem* item) const;

signals:
    void NodeClick(const QString& key);
    // The user finished editing a label; setting *cancel keeps the old text.
    void AfterLabelEdit(const QString& key, const QString& newText, bool* cancel);
    void KeyDown(int key, int shift);
    void MouseDown(int button, int shift, const QPoint& pos);
    void MouseUp(int button, int shift, const QPoint& pos);
    // The user began dragging a node; the receiver runs the drag.
    void StartDrag();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    friend class TreeLabelDelegate;
    void resortParentOf(QTreeWidgetItem* item);
    void forget(QTreeWidgetItem* item);
    void cancelPendingRename();

    QHash<QString, QIcon> images_;
    QHash<QString, QTreeWidgetItem*> nodes_;
    std::vector<QTreeWidgetItem*> order_;
    QHash<QTreeWidgetItem*, bool> sorted_;
    QString dropHighlight_;
    LabelEdit labelEdit_ = LabelEdit::Automatic;
    QTreeWidgetItem* pressedSelected_ = nullptr;  // pressed while already selected
    QTreeWidgetItem* renameItem_ = nullptr;       // renamed when the timer fires
    QTimer renameTimer_;
};

}  // namespace quorvel::ui
