#include "toolkit/ListViewModel.h"

#include <algorithm>
#include <numeric>

namespace quorvel::ui {

ListViewModel::ListViewModel(QObject* parent) : QAbstractTableModel(parent) {}

int ListViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ListViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kCells) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return rows_[static_cast<size_t>(index.row())].cells[static_cast<size_t>(index.column())];
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(
            (columns_[static_cast<size_t>(index.column())].rightAligned ? Qt::AlignRight : Qt::AlignLeft) |
            Qt::AlignVCenter);
    }
    return {};
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return {};
    }
    const Column& c = columns_[static_cast<size_t>(section)];
    switch (role) {
        case Qt::DisplayRole:
            return c.caption;
        case Qt::DecorationRole:
            if (c.icon > 0 && c.icon <= static_cast<int>(headerIcons_.size())) {
                return headerIcons_[static_cast<size_t>(c.icon - 1)];
            }
            return {};
        case Qt::TextAlignmentRole:
            return QVariant::fromValue((c.rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        default:
            return {};
    }
}

Qt::ItemFlags ListViewModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::ItemIsDropEnabled;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

void ListViewModel::addColumn(const Column& column) {
    const int at = columnCount();
    beginInsertColumns({}, at, at);
    columns_.push_back(column);
    endInsertColumns();
}

void ListViewModel::columnChanged(int section) {
    emit headerDataChanged(Qt::Horizontal, section, section);
}

void ListViewModel::rebuildIndex() const {
    index_.clear();
    index_.reserve(static_cast<qsizetype>(rows_.size()));
    for (size_t i = 0; i < rows_.size(); ++i) {
        index_.insert(rows_[i].key, static_cast<int>(i));
    }
    indexValid_ = true;
}

int ListViewModel::indexOfKey(const QString& key) const {
    if (!indexValid_) {
        rebuildIndex();
    }
    return index_.value(key, -1);
}

bool ListViewModel::less(const Row& a, const Row& b) const {
    const QString& x = a.cells[static_cast<size_t>(sortKey_)];
    const QString& y = b.cells[static_cast<size_t>(sortKey_)];
    int c = QString::compare(x.toCaseFolded(), y.toCaseFolded(), Qt::CaseSensitive);
    return descending_ ? c > 0 : c < 0;
}

int ListViewModel::addRow(Row row) {
    if (indexOfKey(row.key) >= 0) {
        return -1;
    }
    if (batching_) {
        if (pendingKeys_.contains(row.key)) {
            return -1;
        }
        pendingKeys_.insert(row.key);
        pending_.push_back(std::move(row));
        return static_cast<int>(rows_.size() + pending_.size() - 1);
    }
    auto at = rows_.end();
    if (sorted_) {
        at = std::upper_bound(rows_.begin(), rows_.end(), row,
                              [this](const Row& a, const Row& b) { return less(a, b); });
    }
    const int index = static_cast<int>(at - rows_.begin());
    beginInsertRows({}, index, index);
    rows_.insert(at, std::move(row));
    endInsertRows();
    if (index == static_cast<int>(rows_.size()) - 1 && indexValid_) {
        index_.insert(rows_.back().key, index);
    } else {
        indexValid_ = false;
    }
    return index;
}

void ListViewModel::setCell(int index, int cell, const QString& text) {
    if (batching_ && index >= static_cast<int>(rows_.size())) {
        pending_[static_cast<size_t>(index) - rows_.size()].cells[static_cast<size_t>(cell)] = text;
        return;
    }
    if (index < 0 || index >= rowCount() || cell < 0 || cell >= kCells) {
        return;
    }
    rows_[static_cast<size_t>(index)].cells[static_cast<size_t>(cell)] = text;
    emit dataChanged(this->index(index, cell), this->index(index, cell));
}

bool ListViewModel::removeKey(const QString& key) {
    const int i = indexOfKey(key);
    if (i < 0) {
        return false;
    }
    beginRemoveRows({}, i, i);
    rows_.erase(rows_.begin() + i);
    endRemoveRows();
    indexValid_ = false;
    return true;
}

void ListViewModel::clear() {
    beginResetModel();
    rows_.clear();
    pending_.clear();
    pendingKeys_.clear();
    index_.clear();
    indexValid_ = true;
    endResetModel();
}

void ListViewModel::beginBatch() {
    batching_ = true;
}

void ListViewModel::endBatch() {
    batching_ = false;
    pendingKeys_.clear();
    if (pending_.empty()) {
        return;
    }
    beginResetModel();
    rows_.reserve(rows_.size() + pending_.size());
    std::move(pending_.begin(), pending_.end(), std::back_inserter(rows_));
    pending_.clear();
    pendingKeys_.clear();
    if (sorted_) {
        sortVector(rows_);
    }
    indexValid_ = false;
    endResetModel();
}

void ListViewModel::setSort(bool on, int key, bool descending) {
    sorted_ = on;
    sortKey_ = std::clamp(key, 0, kCells - 1);
    descending_ = descending;
    if (sorted_) {
        sortRows();
    }
}

// Sorts through a permutation over case-folded keys: each text is folded once
// instead of in every comparison, and each row moves once.
void ListViewModel::sortVector(std::vector<Row>& rows) const {
    const size_t key = static_cast<size_t>(sortKey_);
    std::vector<QString> folded;
    folded.reserve(rows.size());
    for (const Row& r : rows) {
        folded.push_back(r.cells[key].toCaseFolded());
    }
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int c = QString::compare(folded[a], folded[b], Qt::CaseSensitive);
        return descending_ ? c > 0 : c < 0;
    });
    std::vector<Row> sorted;
    sorted.reserve(rows.size());
    for (size_t i : order) {
        sorted.push_back(std::move(rows[i]));
    }
    rows.swap(sorted);
}

void ListViewModel::sortRows() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    std::vector<QString> persistentKeys;
    persistentKeys.reserve(static_cast<size_t>(persistent.size()));
    for (const auto& p : persistent) {
        persistentKeys.push_back(rows_[static_cast<size_t>(p.row())].key);
    }
    sortVector(rows_);
    rebuildIndex();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (qsizetype i = 0; i < persistent.size(); ++i) {
        moved.push_back(index(index_.value(persistentKeys[static_cast<size_t>(i)]), persistent[i].column()));
    }
    changePersistentIndexList(persistent, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace quorvel::ui
