#include "list/record_list_model.h"

#include "common/ascii.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace tallwick::ui {

RecordListModel::RecordListModel(DatabaseSource database, QObject* parent)
    : QAbstractTableModel(parent), database_(std::move(database)) {}

RecordListModel::Rows RecordListModel::ReadRows(const FieldDataArray& fields,
                                                std::optional<double> onlyCode) {
    std::vector<std::string> names;
    std::vector<int> requested;  // model column of each name asked for
    for (size_t c = 0; c < fields.size(); ++c) {
        if (!fields[c].visible) continue;
        names.push_back(fields[c].fieldName);
        requested.push_back(static_cast<int>(c));
    }
    RecordListData data = ReadRecordList(database_(), names, onlyCode, rowSource_);
    Rows rows{std::move(data.table), std::vector<int>(fields.size(), -1)};
    for (size_t i = 0; i < requested.size(); ++i) rows.columnOf[requested[i]] = data.columnOf[i];
    return rows;
}

void RecordListModel::Reload() {
    Rebuild(false);
}

void RecordListModel::ReloadKeepingOrder() {
    Rebuild(true);
}

void RecordListModel::Rebuild(bool keepOrder) {
    FieldDataArray fields = ReadListColumns(database_());
    if (fields.empty()) fields = fields_;  // a catalogue without rows leaves the columns alone
    Rows rows = ReadRows(fields);
    std::vector<double> shownOrder;
    if (keepOrder) {
        shownOrder.reserve(order_.size());
        for (int row = 0; row < RowCount(); ++row) shownOrder.push_back(CodeAt(row));
    }
    const int column = sortColumn_;
    const Qt::SortOrder order = sortOrder_;
    const ListSortState state = sortState_;

    beginResetModel();
    fields_ = std::move(fields);
    titles_.clear();
    centred_.clear();
    for (const FieldData& field : fields_) {
        titles_.push_back(QString::fromStdString(field.title));
        centred_.push_back(AsciiLower(field.fieldName) == "recordstate");
    }
    titleColours_.assign(fields_.size(), QVariant());
    rows_ = std::move(rows);
    sortState_.Reset();
    sortColumn_ = -1;
    sortOrder_ = Qt::AscendingOrder;
    if (keepOrder && column >= 0 && column < columnCount() && rows_.columnOf[column] >= 0) {
        // The sorted column is still read: sorted by it as before, with its mark.
        sortColumn_ = column;
        sortOrder_ = order;
        sortState_ = state;
        sortState_.markedColumn = column;
        titles_[column] += order == Qt::AscendingOrder ? kAscendingMark : kDescendingMark;
        titleColours_[column] = kSortedTitleColour;
        SetOrder(SortedOrder(column, order));
    } else if (keepOrder) {
        SetOrder(OrderOfCodes(shownOrder));
    } else {
        SetOrder(SortedOrder(-1, Qt::AscendingOrder));
    }
    endResetModel();
    emit columnsRebuilt();
}

std::vector<int> RecordListModel::OrderOfCodes(const std::vector<double>& codes) const {
    // Rows in the order of `codes`, rows not among them after them in the order they were read.
    const int records = rows_.table.RowCount();
    std::unordered_map<double, int> recordOfCode;
    recordOfCode.reserve(static_cast<size_t>(records));
    for (int record = 0; record < records; ++record) {
        recordOfCode.emplace(rows_.table.NumberAt(record, 0), record);
    }
    std::vector<char> placed(static_cast<size_t>(records), 0);
    std::vector<int> order;
    order.reserve(static_cast<size_t>(records));
    for (const double code : codes) {
        const auto found = recordOfCode.find(code);
        if (found == recordOfCode.end() || placed[found->second]) continue;
        placed[found->second] = 1;
        order.push_back(found->second);
    }
    for (int record = 0; record < records; ++record) {
        if (!placed[record]) order.push_back(record);
    }
    return order;
}

void RecordListModel::Requery() {
    Rows rows = ReadRows(fields_);
    beginResetModel();
    rows_ = std::move(rows);
    SetOrder(SortedOrder(sortColumn_, sortOrder_));
    endResetModel();
}

bool RecordListModel::RefreshRecord(double code) {
    const int row = RowOfCode(code);
    if (row < 0) return false;
    const Rows fresh = ReadRows(fields_, code);
    if (fresh.table.RowCount() != 1) return false;
    rows_.table.ReplaceRow(order_[row], fresh.table, 0);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    return true;
}

double RecordListModel::CodeAt(int row) const {
    return rows_.table.NumberAt(order_[row], 0);
}

int RecordListModel::RowOfCode(double code) const {
    for (int row = 0; row < RowCount(); ++row) {
        if (CodeAt(row) == code) return row;
    }
    return -1;
}

std::vector<int> RecordListModel::SortedOrder(int column, Qt::SortOrder order) const {
    // Rows are read in code order, so ties stay in code order in both directions.
    std::vector<int> sorted(rows_.table.RowCount());
    std::iota(sorted.begin(), sorted.end(), 0);
    if (column < 0 || column >= columnCount()) return sorted;
    const int tableColumn = rows_.columnOf[column];
    if (tableColumn < 0) return sorted;
    const ListTable& table = rows_.table;
    if (order == Qt::AscendingOrder) {
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](int a, int b) { return table.Compare(tableColumn, a, b) < 0; });
    } else {
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](int a, int b) { return table.Compare(tableColumn, b, a) < 0; });
    }
    return sorted;
}

void RecordListModel::SetOrder(std::vector<int> order) {
    order_ = std::move(order);
    rowOfRecord_.assign(order_.size(), 0);
    for (size_t row = 0; row < order_.size(); ++row)
        rowOfRecord_[order_[row]] = static_cast<int>(row);
}

void RecordListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount()) return;
    sortColumn_ = column;
    sortOrder_ = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> before = order_;
    SetOrder(SortedOrder(column, order));
    // The current and the selected records stay themselves at their new rows.
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        to.append(this->index(rowOfRecord_[before[index.row()]], index.column()));
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int RecordListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int RecordListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(fields_.size());
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole: {
            const int tableColumn = rows_.columnOf[column];
            if (tableColumn < 0) return QString();
            const int record = order_[index.row()];
            if (rows_.table.KindAt(record, tableColumn) == ListTable::Kind::Text) {
                const std::string_view text = rows_.table.RawTextAt(record, tableColumn);
                return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
            }
            return QString::fromStdString(rows_.table.TextAt(record, tableColumn));
        }
        case Qt::TextAlignmentRole:
            return centred_[column] ? QVariant(Qt::AlignCenter)
                                    : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (role) {
        case Qt::DisplayRole:
            return titles_[section];
        case Qt::TextAlignmentRole:
            return QVariant(Qt::AlignCenter);
        case Qt::ForegroundRole:
            return titleColours_[section];
        default:
            return {};
    }
}

bool RecordListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                    int role) {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return false;
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        titles_[section] = value.toString();
    } else if (role == Qt::ForegroundRole) {
        titleColours_[section] = value;
    } else {
        return false;
    }
    emit headerDataChanged(orientation, section, section);
    return true;
}

Qt::ItemFlags RecordListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace tallwick::ui
