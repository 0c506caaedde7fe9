#include "list/record_list_model.h"

#include "common/ascii.h"

#include <exception>

namespace tallwick::ui {

RecordListModel::RecordListModel(DatabaseSource database, QObject* parent)
    : QAbstractTableModel(parent), database_(std::move(database)) {}

std::vector<std::string> RecordListModel::NamesToRead(const FieldDataArray& fields,
                                                      std::vector<int>& nameOfColumn) {
    std::vector<std::string> names;
    nameOfColumn.assign(fields.size(), -1);
    for (size_t c = 0; c < fields.size(); ++c) {
        if (!fields[c].visible) continue;
        nameOfColumn[c] = static_cast<int>(names.size());
        names.push_back(fields[c].fieldName);
    }
    return names;
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
    std::vector<int> nameOfColumn;
    RecordListRows rows;
    rows.Read(database_(), NamesToRead(fields, nameOfColumn), rowSource_);
    std::vector<double> shownOrder;
    if (keepOrder) {
        shownOrder.reserve(static_cast<size_t>(RowCount()));
        for (int row = 0; row < RowCount(); ++row) shownOrder.push_back(CodeAt(row));
    }
    const int column = sortColumn_;
    const Qt::SortOrder order = sortOrder_;
    const ListSortState state = sortState_;
    const bool keepSort = keepOrder && column >= 0 && column < static_cast<int>(fields.size()) &&
                          nameOfColumn[column] >= 0 && rows.HasColumn(nameOfColumn[column]);
    // The sorted column is still read: sorted by it as before, with its mark. Sorted before the
    // reset, so a failure leaves the list as it was.
    if (keepSort) {
        rows.SetOrder(
            rows.SortedOrder(database_(), nameOfColumn[column], order == Qt::DescendingOrder));
    } else if (keepOrder) {
        rows.SetOrder(rows.OrderOfCodes(shownOrder));
    }

    beginResetModel();
    fields_ = std::move(fields);
    nameOfColumn_ = std::move(nameOfColumn);
    rows_ = std::move(rows);
    titles_.clear();
    centred_.clear();
    for (const FieldData& field : fields_) {
        titles_.push_back(QString::fromStdString(field.title));
        centred_.push_back(AsciiLower(field.fieldName) == "recordstate");
    }
    titleColours_.assign(fields_.size(), QVariant());
    sortState_.Reset();
    sortColumn_ = -1;
    sortOrder_ = Qt::AscendingOrder;
    if (keepSort) {
        sortColumn_ = column;
        sortOrder_ = order;
        sortState_ = state;
        sortState_.markedColumn = column;
        titles_[column] += order == Qt::AscendingOrder ? kAscendingMark : kDescendingMark;
        titleColours_[column] = kSortedTitleColour;
    }
    endResetModel();
    emit columnsRebuilt();
}

void RecordListModel::Requery() {
    std::vector<std::string> names = NamesToRead(fields_, nameOfColumn_);
    RecordListRows rows;
    rows.Read(database_(), names, rowSource_);
    const int name = sortColumn_ >= 0 ? nameOfColumn_[sortColumn_] : -1;
    rows.SetOrder(rows.SortedOrder(database_(), name, sortOrder_ == Qt::DescendingOrder));
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

bool RecordListModel::RefreshRecord(double code) {
    if (!rows_.Refresh(database_(), code)) return false;
    const int row = RowOfCode(code);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    return true;
}

void RecordListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount()) return;
    std::vector<int> sorted =
        rows_.SortedOrder(database_(), nameOfColumn_[column], order == Qt::DescendingOrder);
    sortColumn_ = column;
    sortOrder_ = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> before;
    const QModelIndexList from = persistentIndexList();
    for (const QModelIndex& index : from) before.push_back(RecordOfRow(index.row()));
    rows_.SetOrder(std::move(sorted));
    // The current and the selected records stay themselves at their new rows.
    QModelIndexList to;
    to.reserve(from.size());
    for (qsizetype i = 0; i < from.size(); ++i) {
        to.append(this->index(RowOfRecord(before[i]), from[i].column()));
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
            const int name = nameOfColumn_[column];
            if (name < 0) return QString();
            std::optional<std::string> text = rows_.HeldTextAt(index.row(), name);
            if (!text) {
                try {
                    rows_.ReadPageOf(database_(), index.row());
                } catch (const std::exception&) {
                    // The database is closed (compaction, restore) or busy: the cell shows
                    // empty now and is asked for again at the next paint.
                    return QString();
                }
                text = rows_.HeldTextAt(index.row(), name);
            }
            return QString::fromStdString(*text);
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
