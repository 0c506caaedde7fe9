#include "list/record_list_view.h"

#include "list/list_cell_style.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace tallwick::ui {

RecordListView::RecordListView(RecordListModel* model, QWidget* parent)
    : QTableView(parent), model_(model) {
    setModel(model_);
    setItemDelegate(new ListCellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setFont(ListFont(9));

    // The marked rows must stay visible while another window has the focus.
    QPalette colours = palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    }
    setPalette(colours);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView* titles = horizontalHeader();
    titles->setFont(ListFont(10));
    titles->setHighlightSections(false);
    titles->setSectionsClickable(true);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    connect(titles, &QHeaderView::sectionClicked, this,
            [this](int column) { SortByColumn(*model_, column, model_->SortState()); });

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RecordListView::TrackMarks);
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        savedWidths_.clear();
        for (int c = 0; c < model_->columnCount(); ++c) {
            savedWidths_.push_back(horizontalHeader()->sectionSize(c));
        }
    });
    connect(model_, &QAbstractItemModel::modelReset, this, &RecordListView::RestoreLayout);
    connect(model_, &RecordListModel::columnsRebuilt, this, [this] {
        ApplyCatalogueLayout();
        MoveToFirst();
    });
    ApplyCatalogueLayout();
}

int RecordListView::CurrentRow() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

std::vector<int> RecordListView::MarkedRowsInMarkOrder() const {
    std::vector<int> rows;
    rows.reserve(markOrder_.size());
    for (const int record : markOrder_) rows.push_back(model_->RowOfRecord(record));
    return rows;
}

std::vector<int> RecordListView::SelectionOrCurrent() const {
    if (markOrder_.size() >= 2) return MarkedRowsInMarkOrder();
    if (CurrentRow() < 0) return {};
    return {CurrentRow()};
}

int RecordListView::RequeryKeepingRow() {
    int row = CurrentRow();
    model_->Requery();
    if (model_->RowCount() == 0) return -1;
    row = std::clamp(row, 0, model_->RowCount() - 1);
    GoToRow(row);
    return row;
}

int RecordListView::RequeryKeepingRecord() {
    const int row = CurrentRow();
    if (row < 0) return RequeryKeepingRow();
    const double code = model_->CodeAt(row);
    model_->Requery();
    if (ReturnToCode(code)) return CurrentRow();
    if (model_->RowCount() == 0) return -1;
    GoToRow(std::clamp(row, 0, model_->RowCount() - 1));
    return CurrentRow();
}

void RecordListView::RebuildColumnsKeepingPlace() {
    const int row = CurrentRow();
    const double current = row >= 0 ? model_->CodeAt(row) : 0;
    std::vector<double> marked;
    for (const int markedRow : MarkedRowsInMarkOrder()) marked.push_back(model_->CodeAt(markedRow));

    model_->ReloadKeepingOrder();

    if (row < 0 || !ReturnToCode(current) || marked.size() < 2) return;
    selectionModel()->clearSelection();
    for (const double code : marked) {  // in mark order, so the marks keep their order too
        const int at = model_->RowOfCode(code);
        if (at < 0) continue;
        selectionModel()->select(model_->index(at, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    ShowRow(model_->RowOfCode(current));
}

void RecordListView::ShowRow(int row) {
    if (row < 0 || row >= model_->RowCount()) return;
    const QModelIndex target = CellToShow(row);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    scrollTo(target);
}

bool RecordListView::ReturnToCode(double code) {
    const int row = model_->RowOfCode(code);
    if (row < 0) return false;
    GoToRow(row);
    return true;
}

void RecordListView::MoveToFirst() {
    if (model_->RowCount() > 0) GoToRow(0);
}

void RecordListView::GoToRow(int row) {
    if (row < 0 || row >= model_->RowCount()) return;
    const QModelIndex target = CellToShow(row);
    selectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(target);
}

QModelIndex RecordListView::CellToShow(int row) const {
    // The current column stays current while it is shown.
    const int column = currentIndex().isValid() && !isColumnHidden(currentIndex().column())
                           ? currentIndex().column()
                           : FirstShownColumn();
    return model_->index(row, column);
}

void RecordListView::SetListShown(bool shown) {
    shown_ = shown;
    horizontalHeader()->setVisible(shown);
    const auto bars = shown ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(bars);
    setVerticalScrollBarPolicy(bars);
    setFocusPolicy(shown ? Qt::StrongFocus : Qt::NoFocus);
    viewport()->update();
}

void RecordListView::keyPressEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) pressedKey_ = event->key();
    QTableView::keyPressEvent(event);
}

void RecordListView::focusOutEvent(QFocusEvent* event) {
    pressedKey_ = 0;
    QTableView::focusOutEvent(event);
}

void RecordListView::keyReleaseEvent(QKeyEvent* event) {
    // A held key repeats its press but is released once: one action per keystroke.
    const bool pressedHere = pressedKey_ == event->key();
    if (!event->isAutoRepeat()) pressedKey_ = 0;
    if (!event->isAutoRepeat() && pressedHere) {
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                emit modifyRequested();
                return;
            case Qt::Key_Insert:
                emit addRequested();
                return;
            case Qt::Key_Delete:
                emit deleteRequested();
                return;
            default:
                break;
        }
    }
    QTableView::keyReleaseEvent(event);
}

void RecordListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit modifyRequested();
}

void RecordListView::paintEvent(QPaintEvent* event) {
    if (shown_) {
        QTableView::paintEvent(event);
        return;
    }
    QPainter painter(viewport());
    const QRect area = viewport()->rect();
    QLinearGradient sky(area.topLeft(), area.bottomRight());
    sky.setColorAt(0, QColor(232, 240, 250));
    sky.setColorAt(1, QColor(176, 198, 226));
    painter.fillRect(area, sky);
    painter.fillRect(area, QBrush(QColor(255, 255, 255, 60), Qt::BDiagPattern));
}

void RecordListView::TrackMarks(const QItemSelection& selected, const QItemSelection& deselected) {
    isMarked_.resize(model_->RowCount(), 0);
    bool dropped = false;
    for (const QItemSelectionRange& range : deselected) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            const int record = model_->RecordOfRow(row);
            dropped = dropped || isMarked_[record];
            isMarked_[record] = 0;
        }
    }
    if (dropped) {
        std::erase_if(markOrder_, [this](int record) { return !isMarked_[record]; });
    }
    for (const QItemSelectionRange& range : selected) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            const int record = model_->RecordOfRow(row);
            if (isMarked_[record]) continue;
            isMarked_[record] = 1;
            markOrder_.push_back(record);
        }
    }
}

void RecordListView::ApplyCatalogueLayout() {
    for (int c = 0; c < model_->columnCount(); ++c) {
        setColumnHidden(c, model_->IsColumnHidden(c));
        if (!model_->IsColumnHidden(c)) setColumnWidth(c, model_->ColumnWidth(c));
    }
}

void RecordListView::RestoreLayout() {
    // A re-read resets the header; the user's column widths survive it.
    markOrder_.clear();
    isMarked_.assign(model_->RowCount(), 0);
    if (static_cast<int>(savedWidths_.size()) != model_->columnCount()) return;
    for (int c = 0; c < model_->columnCount(); ++c) {
        setColumnHidden(c, model_->IsColumnHidden(c));
        if (!model_->IsColumnHidden(c)) setColumnWidth(c, savedWidths_[c]);
    }
}

int RecordListView::FirstShownColumn() const {
    for (int c = 0; c < model_->columnCount(); ++c) {
        if (!isColumnHidden(c)) return c;
    }
    return 0;
}

}  // namespace tallwick::ui
