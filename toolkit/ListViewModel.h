#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QSet>
#include <QString>
#include <array>
#include <vector>

namespace quorvel::ui {

// The rows of the report list: a key, the item text and nine sub-items per
// row, kept in display order. Sorting compares the shown texts as text.
class ListViewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kCells = 10;  // item text and nine sub-items
    struct Row {
        QString key;
        std::array<QString, kCells> cells;
    };
    struct Column {
        QString caption;
        double widthTwips = 0;
        bool rightAligned = false;
        int icon = 0;  // image position in the header image list; 0 for none
    };

    explicit ListViewModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    std::vector<Column>& columns() { return columns_; }
    const std::vector<Column>& columns() const { return columns_; }
    void addColumn(const Column& column);
    void columnChanged(int section);
    void setHeaderIcons(std::vector<QIcon> icons) { headerIcons_ = std::move(icons); }

    const Row& row(int index) const { return rows_[static_cast<size_t>(index)]; }
    int indexOfKey(const QString& key) const;
    // Adds a row at the end, or at its sorted place while sorting is on;
    // false when the key is already in the list. Returns the row index.
    int addRow(Row row);
    void setCell(int index, int cell, const QString& text);
    bool removeKey(const QString& key);
    void clear();

    // Between these, added rows are collected and shown together at the end.
    void beginBatch();
    void endBatch();

    void setSort(bool on, int key, bool descending);
    bool sorted() const { return sorted_; }
    int sortKey() const { return sortKey_; }
    bool descending() const { return descending_; }

private:
    void sortRows();
    void sortVector(std::vector<Row>& rows) const;
    void rebuildIndex() const;
    bool less(const Row& a, const Row& b) const;

    std::vector<Column> columns_;
    std::vector<QIcon> headerIcons_;
    std::vector<Row> rows_;
    std::vector<Row> pending_;
    QSet<QString> pendingKeys_;
    bool batching_ = false;
    bool sorted_ = false;
    int sortKey_ = 0;
    bool descending_ = false;
    mutable QHash<QString, int> index_;
    mutable bool indexValid_ = true;
};

}  // namespace quorvel::ui
