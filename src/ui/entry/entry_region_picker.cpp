#include "entry/entry_region_picker.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tallwick::ui {
namespace {

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int RowWhere(const std::vector<entry::RegionRow>& rows, int code1, int code2, int code3) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].code1 == code1 && rows[i].code2 == code2 && rows[i].code3 == code3) {
            return static_cast<int>(i);
        }
    }
    return rows.empty() ? -1 : 0;
}

}  // namespace

RegionPicker::RegionPicker(SQLite::Database& db, QWidget* parent) : QDialog(parent), db_(db) {
    setWindowTitle(QStringLiteral("中华人民共和国行政区划"));
    auto* layout = new QVBoxLayout(this);
    auto* listsRow = new QHBoxLayout;
    const QString headings[] = {QStringLiteral("省级地区"), QStringLiteral("地市及直辖市所属区县"),
                                QStringLiteral("县、市辖区、县级市、旗")};
    for (int i = 0; i < 3; ++i) {
        auto* list = new QTableWidget(0, 1, this);
        list->setHorizontalHeaderLabels({headings[i]});
        list->horizontalHeader()->setStretchLastSection(true);
        list->verticalHeader()->hide();
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setFixedSize(220, 360);
        list->installEventFilter(this);
        listsRow->addWidget(list);
        lists_[i] = list;
    }
    layout->addLayout(listsRow);
    layout->addWidget(new QLabel(
        QStringLiteral("说明：基于民政部公布的《2018年7月中华人民共和国县以上行政区划代码》编排"),
        this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("确认选择"), this);
    ok->setObjectName(QStringLiteral("tbOK"));
    auto* cancel = new QPushButton(QStringLiteral("取消选择"), this);
    cancel->setObjectName(QStringLiteral("tbCancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &RegionPicker::Confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lists_[0], &QTableWidget::cellClicked, this,
            [this](int row, int) { ChooseProvince(row); });
    connect(lists_[1], &QTableWidget::cellClicked, this, [this](int row, int) { ChooseCity(row); });
    connect(lists_[2], &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row >= 0 && row < static_cast<int>(rows_[2].size()))
            Accept(rows_[2][static_cast<std::size_t>(row)]);
    });

    rows_[0] = entry::ReadProvinces(db_);
    Fill(lists_[0], rows_[0]);
    SetStartCode(kDefaultCode);
}

void RegionPicker::Fill(QTableWidget* list, const std::vector<entry::RegionRow>& rows) {
    list->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        list->setItem(static_cast<int>(i), 0, new QTableWidgetItem(Text(rows[i].name)));
    }
}

void RegionPicker::SetStartCode(std::int64_t code) {
    const entry::RegionParts parts = entry::SplitRegionCode(code);
    lists_[0]->setCurrentCell(RowWhere(rows_[0], parts.province, 0, 0), 0);
    FillCities(parts.province, parts.city);
    FillCounties(parts.province, parts.city, parts.county);
}

void RegionPicker::FillCities(int province, int city) {
    rows_[1] = entry::ReadCities(db_, province);
    Fill(lists_[1], rows_[1]);
    lists_[1]->setCurrentCell(RowWhere(rows_[1], province, city, 0), 0);
}

void RegionPicker::FillCounties(int province, int city, int county) {
    rows_[2] = entry::ReadCounties(db_, province, city);
    Fill(lists_[2], rows_[2]);
    lists_[2]->setCurrentCell(RowWhere(rows_[2], province, city, county), 0);
}

void RegionPicker::ChooseProvince(int row) {
    if (row < 0 || row >= static_cast<int>(rows_[0].size())) return;
    const int province = rows_[0][static_cast<std::size_t>(row)].code1;
    FillCities(province, 1);
    FillCounties(province, 1, 0);
}

void RegionPicker::ChooseCity(int row) {
    const int provinceRow = lists_[0]->currentRow();
    if (row < 0 || row >= static_cast<int>(rows_[1].size()) || provinceRow < 0) return;
    const int province = rows_[0][static_cast<std::size_t>(provinceRow)].code1;
    FillCounties(province, rows_[1][static_cast<std::size_t>(row)].code2, 0);
}

void RegionPicker::Confirm() {
    const int county = lists_[2]->currentRow();
    if (county >= 0 && county < static_cast<int>(rows_[2].size()) &&
        !QString::fromStdString(rows_[2][static_cast<std::size_t>(county)].combName)
             .trimmed()
             .isEmpty()) {
        Accept(rows_[2][static_cast<std::size_t>(county)]);
        return;
    }
    const int province = lists_[0]->currentRow();
    if (province >= 0 && province < static_cast<int>(rows_[0].size())) {
        Accept(rows_[0][static_cast<std::size_t>(province)]);
    }
}

void RegionPicker::Accept(const entry::RegionRow& row) {
    resultCode_ = row.id;
    resultName_ = Text(row.combName).trimmed();
    accept();
}

bool RegionPicker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
            key == Qt::Key_Down) {
            if (watched == lists_[0]) ChooseProvince(lists_[0]->currentRow());
            if (watched == lists_[1]) ChooseCity(lists_[1]->currentRow());
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tallwick::ui
