#include "store/record_list_rows.h"

#include <algorithm>
#include <numeric>

namespace tallwick {
namespace {

std::vector<double> CodesOf(const ListTable& table) {
    std::vector<double> codes(static_cast<size_t>(table.RowCount()));
    for (int row = 0; row < table.RowCount(); ++row) codes[row] = table.NumberAt(row, 0);
    return codes;
}

// Per record (codes ascending): its row in `table` (ascending by code in column 0), or -1.
std::vector<int> RowsOfRecords(const std::vector<double>& codes, const ListTable& table) {
    std::vector<int> rowOf(codes.size(), -1);
    int row = 0;
    for (size_t record = 0; record < codes.size(); ++record) {
        while (row < table.RowCount() && table.NumberAt(row, 0) < codes[record]) ++row;
        if (row < table.RowCount() && table.NumberAt(row, 0) == codes[record]) rowOf[record] = row;
    }
    return rowOf;
}

}  // namespace

void RecordListRows::Read(SQLite::Database& db, const std::vector<std::string>& columnNames,
                          const std::string& rowSource) {
    RecordListColumns columns = ResolveRecordListColumns(db, columnNames);
    ListTable read =
        ReadRecordList(db, rowSource.empty() ? RecordListColumns{} : columns, rowSource);

    rowSource_ = rowSource;
    columns_ = std::move(columns);
    codes_ = CodesOf(read);
    readWhole_ = !rowSource.empty();
    pages_.clear();
    heldRowsNow_ = 0;
    placeOf_.assign(codes_.size(), Place{});
    if (readWhole_) {
        for (int record = 0; record < RowCount(); ++record) placeOf_[record] = {0, record};
        pages_.push_back(std::move(read));
    }
    std::vector<int> order(codes_.size());
    std::iota(order.begin(), order.end(), 0);
    SetOrder(std::move(order));
}

int RecordListRows::RowOfCode(double code) const {
    const auto found = std::lower_bound(codes_.begin(), codes_.end(), code);
    if (found == codes_.end() || *found != code) return -1;
    return rowOfRecord_[found - codes_.begin()];
}

std::string RecordListRows::TextAt(SQLite::Database& db, int row, int name) {
    if (std::optional<std::string> held = HeldTextAt(row, name)) return *held;
    ReadPageOf(db, row);
    return *HeldTextAt(row, name);
}

std::optional<std::string> RecordListRows::HeldTextAt(int row, int name) const {
    const int column = columns_.columnOf[name];
    if (column < 0) return std::string();
    const Place place = placeOf_[order_[row]];
    if (place.page < 0) return std::nullopt;
    if (place.row < 0) return std::string();
    return pages_[place.page].TextAt(place.row, column);
}

void RecordListRows::ReadPageOf(SQLite::Database& db, int row) {
    // Pages are of list rows, so a screenful takes one or two reads in any order.
    const int first = row / pageRows_ * pageRows_;
    const int last = std::min(first + pageRows_, RowCount());
    if (heldRowsNow_ + (last - first) > heldRows_) Forget();
    std::vector<int> records;
    for (int r = first; r < last; ++r) {
        if (placeOf_[order_[r]].page < 0) records.push_back(order_[r]);
    }
    std::sort(records.begin(), records.end());
    std::vector<double> codes;
    codes.reserve(records.size());
    for (const int record : records) codes.push_back(codes_[record]);

    ListTable page = ReadRecordListRows(db, columns_, codes, rowSource_);
    const std::vector<int> rowOf = RowsOfRecords(codes, page);
    const int index = static_cast<int>(pages_.size());
    for (size_t i = 0; i < records.size(); ++i) placeOf_[records[i]] = {index, rowOf[i]};
    heldRowsNow_ += static_cast<int>(records.size());
    pages_.push_back(std::move(page));
}

void RecordListRows::Forget() {
    pages_.clear();
    placeOf_.assign(codes_.size(), Place{});
    heldRowsNow_ = 0;
}

std::vector<int> RecordListRows::SortedOrder(SQLite::Database& db, int name,
                                             bool descending) const {
    std::vector<int> sorted(codes_.size());
    std::iota(sorted.begin(), sorted.end(), 0);
    const int column = name < 0 ? -1 : columns_.columnOf[name];
    if (column < 0) return sorted;
    ListTable read;
    const ListTable* table = &read;
    int tableColumn = 1;
    std::vector<int> rowOf;
    if (readWhole_) {
        table = &pages_[0];
        tableColumn = column;
        rowOf.reserve(codes_.size());
        for (const Place& place : placeOf_) rowOf.push_back(place.row);
    } else {
        const RecordListColumns one{{columns_.selected[column - 1]}, {1}};
        read = ReadRecordList(db, one);
        rowOf = RowsOfRecords(codes_, read);
    }
    // Records read in code order, so a stable sort keeps ties in code order both ways. A record
    // deleted since the read sorts as an empty cell.
    const auto compare = [&](int a, int b) {
        const int rowA = rowOf[a];
        const int rowB = rowOf[b];
        const bool emptyA = rowA < 0 || table->KindAt(rowA, tableColumn) == ListTable::Kind::Null;
        const bool emptyB = rowB < 0 || table->KindAt(rowB, tableColumn) == ListTable::Kind::Null;
        if (emptyA || emptyB) return int(!emptyA) - int(!emptyB);
        return table->Compare(tableColumn, rowA, rowB);
    };
    if (descending) {
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](int a, int b) { return compare(b, a) < 0; });
    } else {
        std::stable_sort(sorted.begin(), sorted.end(),
                         [&](int a, int b) { return compare(a, b) < 0; });
    }
    return sorted;
}

std::vector<int> RecordListRows::OrderOfCodes(const std::vector<double>& codes) const {
    std::vector<char> placed(codes_.size(), 0);
    std::vector<int> order;
    order.reserve(codes_.size());
    for (const double code : codes) {
        const auto found = std::lower_bound(codes_.begin(), codes_.end(), code);
        if (found == codes_.end() || *found != code) continue;
        const auto record = static_cast<size_t>(found - codes_.begin());
        if (placed[record]) continue;
        placed[record] = 1;
        order.push_back(static_cast<int>(record));
    }
    for (size_t record = 0; record < codes_.size(); ++record) {
        if (!placed[record]) order.push_back(static_cast<int>(record));
    }
    return order;
}

bool RecordListRows::Refresh(SQLite::Database& db, double code) {
    const int row = RowOfCode(code);
    if (row < 0) return false;
    const ListTable fresh = ReadRecordListRows(db, columns_, {code}, rowSource_);
    if (fresh.RowCount() != 1) return false;
    Place& place = placeOf_[order_[row]];
    if (place.row >= 0) {
        pages_[place.page].ReplaceRow(place.row, fresh, 0);
    } else {
        place = {};  // stored again: read with its page when next shown
    }
    return true;
}

void RecordListRows::SetOrder(std::vector<int> order) {
    order_ = std::move(order);
    rowOfRecord_.assign(order_.size(), 0);
    for (size_t row = 0; row < order_.size(); ++row)
        rowOfRecord_[order_[row]] = static_cast<int>(row);
}

}  // namespace tallwick
