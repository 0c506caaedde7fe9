#include "query/data_list_dialog.h"

#include "common/user_error.h"
#include "query/data_list_export.h"
#include "query/export_messages.h"
#include "store/code_range.h"
#include "store/program_folder.h"
#include "widgets/code_box.h"
#include "widgets/error_display.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"
#include "widgets/operation_progress.h"
#include "widgets/progress_window.h"
#include "widgets/running_operation.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace tallwick::ui {
namespace {

const QString kExportCaption = QStringLiteral("数据导出...");
const QString kNoItemText = QStringLiteral("     选择自定义分组");

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

Qt::CheckState CheckStateOf(int tick) {
    return tick == 1 ? Qt::Checked : tick == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

// QLineEdit's own default: a range bound as long as the user likes.
constexpr int kUnlimitedLength = 32767;

QLineEdit* CodeBox(const QString& name) {
    auto* box = NewCodeBox(kUnlimitedLength, name);
    box->setMaximumWidth(120);
    return box;
}

}  // namespace

DataListDialog::DataListDialog(SQLite::Database& db, const std::filesystem::path& programFolder,
                               QString databaseLabel, Registry& registry,
                               TProgressBarForm* progress, QWidget* parent)
    : QDialog(parent),
      db_(db),
      databaseLabel_(std::move(databaseLabel)),
      registry_(registry),
      progress_(progress),
      list_(new QListWidget),
      allRecords_(new QRadioButton(QStringLiteral("所有的数据"))),
      range_(new QRadioButton(QStringLiteral("指定单位编号的范围"))),
      groupChoice_(new QRadioButton),
      low_(CodeBox(QStringLiteral("c901_1"))),
      high_(CodeBox(QStringLiteral("c901_2"))),
      group_(new QToolButton),
      groupMenu_(new QMenu(this)),
      save_(new QPushButton(QStringLiteral("导  出"))),
      back_(new QPushButton(QStringLiteral("返  回"))),
      checkBox1_(new QCheckBox(this)) {
    setWindowTitle(QStringLiteral("选择导出数据的方式"));
    askFileName = [this](const QString& suggestedName) {
        return AskSaveFileName(this, QStringLiteral("导出文件存放为"),
                               QStringLiteral("Excel 文件(*.xlsx)"), suggestedName,
                               QStringLiteral(".xlsx"));
    };

    allRecords_->setObjectName(QStringLiteral("AllRecord"));
    range_->setObjectName(QStringLiteral("Range"));
    groupChoice_->setObjectName(QStringLiteral("radioGroup"));
    allRecords_->setChecked(true);
    group_->setObjectName(QStringLiteral("tbGroup"));
    group_->setText(kNoItemText);
    group_->setMenu(groupMenu_);
    group_->setPopupMode(QToolButton::MenuButtonPopup);
    group_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    group_->setMinimumWidth(160);

    auto* content = new QGroupBox(QStringLiteral("导出的内容"));
    auto* choices = new QVBoxLayout(content);
    choices->addWidget(allRecords_);
    auto* rangeLine = new QHBoxLayout;
    rangeLine->addWidget(range_);
    rangeLine->addWidget(new QLabel(QStringLiteral("从")));
    rangeLine->addWidget(low_);
    rangeLine->addWidget(new QLabel(QStringLiteral("到")));
    rangeLine->addWidget(high_);
    rangeLine->addStretch(1);
    choices->addLayout(rangeLine);
    auto* groupLine = new QHBoxLayout;
    groupLine->addWidget(groupChoice_);
    groupLine->addWidget(group_);
    groupLine->addStretch(1);
    choices->addLayout(groupLine);

    list_->setObjectName(QStringLiteral("TableList"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const auto& line :
         query::ReadDataListTables(DeliveredFile(programFolder, query::kDataListTableFileName))) {
        auto* item = new QListWidgetItem(Q(line.text), list_);
        item->setFlags(line.enabled
                           ? Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable
                           : Qt::ItemIsUserCheckable);
        item->setCheckState(CheckStateOf(line.tick));
    }

    // Kept only for the setting it leaves behind; it has no part in the export.
    checkBox1_->setObjectName(QStringLiteral("CheckBox1"));
    checkBox1_->hide();

    save_->setObjectName(QStringLiteral("tbSave"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save_);
    buttons->addWidget(back_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(content);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    connect(group_, &QToolButton::clicked, groupChoice_,
            [this] { groupChoice_->setChecked(true); });
    connect(groupMenu_, &QMenu::aboutToShow, groupChoice_,
            [this] { groupChoice_->setChecked(true); });
    connect(save_, &QPushButton::clicked, this, &DataListDialog::Export);
    connect(back_, &QPushButton::clicked, this, &QDialog::reject);

    FillItemMenu();
    resize(QSize(460, 520));
}

void DataListDialog::FillItemMenu() {
    std::vector<query::DataListGroupItem> items;
    try {
        items = query::ListAllGroupItems(db_);
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
    }
    for (const auto& item : items) {
        const std::int64_t id = item.id;
        connect(groupMenu_->addAction(Q(item.title)), &QAction::triggered, this,
                [this, id] { ChooseItem(id); });
    }
    group_->setEnabled(!items.empty());
    groupChoice_->setEnabled(!items.empty());
    if (!items.empty()) {
        item_ = items.front();
        group_->setText(Q(item_->title));
    }
}

std::optional<std::int64_t> DataListDialog::selectedItemId() const {
    if (!item_) return std::nullopt;
    return item_->id;
}

void DataListDialog::ChooseItem(std::int64_t id) {
    try {
        if (auto item = query::FindDataListGroupItem(db_, id)) {
            item_ = std::move(item);
            group_->setText(Q(item_->title));
        }
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
    }
}

std::array<bool, 13> DataListDialog::TickedTables() const {
    std::array<bool, 13> ticked{};
    for (int row = 0; row < list_->count() && row < static_cast<int>(ticked.size()); ++row)
        ticked[static_cast<std::size_t>(row)] = list_->item(row)->checkState() != Qt::Unchecked;
    return ticked;
}

void DataListDialog::SetIdle(bool idle) {
    for (QWidget* control : std::initializer_list<QWidget*>{allRecords_, range_, save_, back_})
        control->setEnabled(idle);
    // Without items the grouping stays off whatever the state.
    groupChoice_->setEnabled(idle && item_.has_value());
    group_->setEnabled(idle && item_.has_value());
}

void DataListDialog::Export() {
    SetIdle(false);
    QApplication::processEvents();
    RunReportingExport(this, progress_, [this] { ExportList(); });
    SetIdle(true);
}

void DataListDialog::ExportList() {
    const query::DataListColumns columns = query::BuildDataListColumns(db_, TickedTables());
    query::DataListQueries queries;
    if (range_->isChecked()) {
        const std::string low = low_->text().toStdString();
        const std::string high = high_->text().toStdString();
        const CodeRange range = ParseCodeRange(low, high, query::kCodeRangeMissing);
        high_->setText(Q(range.highText));
        queries = query::CodeRangeQueries(columns, low, high);
    } else if (groupChoice_->isChecked()) {
        if (!item_) throw UserError(query::kGroupItemInvalid);
        queries = query::GroupItemQueries(columns, *item_);
    } else {
        queries = query::AllRecordsQueries(columns);
    }

    const query::DataListLayout layout = query::DescribeDataList(db_, queries);
    // An empty list is refused before the user is asked for a file name.
    if (layout.empty) throw UserError(query::kEmptyWorkbookExport);

    const std::string title = databaseLabel_.toStdString() + "数据列表";
    const QString chosen = askFileName(Q(query::SuggestedExportName(
        title, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toStdString())));
    if (chosen.trimmed().isEmpty()) return;
    const query::WorkbookRequest request{
        title, QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString(),
        chosen.toStdString()};

    std::filesystem::path written;
    {
        const RunningOperation running(progress_);
        written = query::ExportDataList(db_, queries, layout, request,
                                        ProgressOf(progress_, kExportCaption));
    }
    lastWorkbook_ = Q(written.string());
    ShowMessage(Q(query::WorkbookExportedMessage(written)), this);
}

void DataListDialog::done(int result) {
    try {
        registry_.WriteRegBool(QStringLiteral("CheckBox1"), checkBox1_->isChecked(),
                               RegistryRoot::LocalMachine, kDataKey);
    } catch (const RegistryWriteError& error) {
        ShowMessage(QString::fromStdString(error.what()), this);
    }
    QDialog::done(result);
}

}  // namespace tallwick::ui
