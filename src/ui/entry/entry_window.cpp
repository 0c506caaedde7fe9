#include "entry/entry_window.h"

#include "entry/edit_journal_keeper.h"
#include "entry/entry_error_list.h"
#include "entry/entry_number_box.h"
#include "entry/entry_suggestion.h"
#include "entry/level_rule.h"
#include "entry/rtf_notes.h"
#include "list/record_list_view.h"
#include "locate/locate_fields.h"
#include "settings/registry.h"
#include "widgets/code_popup.h"
#include "widgets/message_box.h"
#include "widgets/running_operation.h"

#include <QAction>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace tallwick::ui {
namespace {

constexpr double kCatalogueMaximum = 99999999999999.0;
constexpr int kNewRecordLevel = 10;

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class MessageBoxNotifier : public check::UserNotifier {
  public:
    explicit MessageBoxNotifier(QWidget* parent) : parent_(parent) {}
    void ShowMessage(const std::string& text) override { ui::ShowMessage(Text(text), parent_); }

  private:
    QWidget* parent_;
};

QPushButton* ToolButton(const QString& name, const QString& text, const QString& hint,
                        QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

EntryWindow::EntryWindow(DatabaseSource database, Registry& registry, QString programFolder,
                         QWidget* parent)
    : QDialog(parent),
      database_(std::move(database)),
      registry_(registry),
      programFolder_(std::move(programFolder)) {
    askToSave = [this](const QString& text) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("提示信息"), text,
                        QMessageBox::Yes | QMessageBox::No, this);
        return box.exec() == QMessageBox::Yes;
    };
    notifier_ = std::make_unique<MessageBoxNotifier>(this);
    errorList_ = new ErrorListWindow(this);
    errorList_->SetNavigator([this](int page, const QString& field) { GoToError(page, field); });
    errorList_->SetPlacement([this](QSize size) { return ErrorListPlace(size); });
    // Beside the working database, whichever folder the program reads its notes from.
    journal_ = new EditJournalKeeper(
        [this] { return JournalSnapshot(); },
        [this] { return std::filesystem::path(Db().getFilename()).parent_path(); }, this);
    connect(journal_, &EditJournalKeeper::WriteFailed, this, [this] {
        journalNote_->setText(
            QStringLiteral("无法写入编辑日志，程序意外退出时未保存的修改将无法恢复，请及时保存"));
        journalNote_->show();
    });
    connect(journal_, &EditJournalKeeper::Written, this, [this] { journalNote_->hide(); });
    errorList_->SetOnShown([this] {
        ScheduleSuggestion();
        KeepErrorListOffListedBoxes();
    });
    errorList_->SetApplier([this](int index) { ApplySuggestion(index); });
    errorList_->SetOnClicked([this] { ReturnToForm(); });
    searching_ = new QTimer(this);
    searching_->setSingleShot(true);
    searching_->setInterval(50);
    connect(searching_, &QTimer::timeout, this, [this] {
        if (requestedTicket_ == errorList_->Generation() && answeredTicket_ != requestedTicket_ &&
            !errorList_->HasNoMessages())
            errorList_->ShowSearching();
    });
    BuildWindow();
}

EntryWindow::~EntryWindow() = default;

void EntryWindow::BuildWindow() {
    setObjectName(QStringLiteral("dlgSurveyDataForm"));
    setWindowTitle(QStringLiteral("基层以上单位数据"));
    auto* layout = new QVBoxLayout(this);
    form_ = BuildEntryForm(this);
    layout->addWidget(form_.pages, 1);

    notes_ = new QTextBrowser(this);
    notes_->setObjectName(QStringLiteral("rtfNotes"));
    notes_->setFocusPolicy(Qt::NoFocus);
    notes_->setFixedHeight(100);
    notes_->document()->setDefaultStyleSheet(
        QStringLiteral("p { margin-top: 0; margin-bottom: 2px; }"));
    notes_->setStyleSheet(QStringLiteral("QTextBrowser { background: #ffffe1; }"));
    notes_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(notes_);

    auto* bar = new QHBoxLayout;
    hold_ = ToolButton(QStringLiteral("tbHold"), QStringLiteral("临时保存"),
                       QStringLiteral("临时保存输入的数据（Ctrl+S）"), this);
    hold_->setWhatsThis(
        QStringLiteral("临时保存已经输入的数据，不检查数据的逻辑关系，保存后可继续编辑，"
                       "临时保存的数据不能被导出或上报"));
    save_ = ToolButton(QStringLiteral("tbSave"), QStringLiteral("保存记录 F2"),
                       QStringLiteral("正式保存输入的数据（F2）"), this);
    add_ = ToolButton(QStringLiteral("tbAdd"), QStringLiteral("保存记录 F2"),
                      QStringLiteral("正式保存输入的数据（F2）"), this);
    check_ = ToolButton(QStringLiteral("tbCheck"), QStringLiteral("检查逻辑"),
                        QStringLiteral("检查这条记录的逻辑（F3）"), this);
    print_ = ToolButton(QStringLiteral("tbPrint"), QStringLiteral("打  印"),
                        QStringLiteral("打印当前的报表（Ctrl+P）"), this);
    return_ = ToolButton(QStringLiteral("tbReturn"), QStringLiteral("返  回"),
                         QStringLiteral("关闭窗口（Esc）"), this);
    history_ = ToolButton(QStringLiteral("tbHistory"), QStringLiteral("修改记录"),
                          QStringLiteral("查看这条记录的修改记录（Ctrl+H）"), this);
    for (QPushButton* button : {hold_, save_, add_, check_, print_, history_, return_})
        bar->addWidget(button);
    bar->addSpacing(20);

    navBar_ = new QWidget(this);
    navBar_->setObjectName(QStringLiteral("NavBar"));
    auto* nav = new QHBoxLayout(navBar_);
    nav->setContentsMargins(0, 0, 0, 0);
    const QString navTexts[] = {QStringLiteral("第一条"), QStringLiteral("上一条"),
                                QStringLiteral("下一条"), QStringLiteral("最后一条")};
    const QString navNames[] = {QStringLiteral("actFirst"), QStringLiteral("actPrev"),
                                QStringLiteral("actNext"), QStringLiteral("actLast")};
    for (int i = 0; i < 4; ++i) {
        navActions_[i] = new QAction(navTexts[i], this);
        navActions_[i]->setObjectName(navNames[i]);
        auto* button = new QToolButton(navBar_);
        button->setDefaultAction(navActions_[i]);
        button->setFocusPolicy(Qt::NoFocus);
        nav->addWidget(button);
        connect(navActions_[i], &QAction::triggered, this, [this, i] { Navigate(i); });
    }
    bar->addWidget(navBar_);
    itemNo_ = new QLabel(this);
    itemNo_->setObjectName(QStringLiteral("ItemNo"));
    itemNo_->setAlignment(Qt::AlignCenter);
    itemNo_->setMinimumWidth(140);
    bar->addWidget(itemNo_, 1);
    journalNote_ = new QLabel(this);
    journalNote_->setObjectName(QStringLiteral("JournalNote"));
    journalNote_->setStyleSheet(QStringLiteral("color: #b00000"));
    journalNote_->hide();
    bar->addWidget(journalNote_);
    verificationHint_ = new QLabel(this);
    verificationHint_->setObjectName(QStringLiteral("VerificationHint"));
    verificationHint_->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
    verificationHint_->hide();
    bar->addWidget(verificationHint_);
    layout->addLayout(bar);

    connect(hold_, &QPushButton::clicked, this, [this] { Hold(); });
    connect(save_, &QPushButton::clicked, this, [this] { Save(); });
    connect(add_, &QPushButton::clicked, this, [this] { Save(); });
    connect(check_, &QPushButton::clicked, this, &EntryWindow::CheckRecord);
    connect(history_, &QPushButton::clicked, this, &EntryWindow::ShowHistory);
    connect(print_, &QPushButton::clicked, this, [this] {
        if (printRecord) printRecord(printCode_);
    });
    connect(return_, &QPushButton::clicked, this, [this] {
        save_->setEnabled(false);
        close();
    });
    auto* holdKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    holdKey->setContext(Qt::WindowShortcut);
    connect(holdKey, &QShortcut::activated, this, [this] { Hold(); });
    auto* applyKey = new QShortcut(QKeySequence(Qt::Key_F4), this);
    applyKey->setContext(Qt::WindowShortcut);
    connect(applyKey, &QShortcut::activated, this, &EntryWindow::ApplyNextSuggestion);
    // The buttons take no focus, so that Enter and the arrows keep moving between the fields;
    // these keys reach them from any field. A disabled button stays out of reach.
    const auto key = [this](const QKeySequence& sequence, std::function<QPushButton*()> button) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, button = std::move(button)] {
            QPushButton* target = button();
            if (target->isVisibleTo(this) && target->isEnabled()) target->click();
        });
    };
    key(QKeySequence(Qt::Key_F2), [this] { return adding_ ? add_ : save_; });
    key(QKeySequence(Qt::Key_F3), [this] { return check_; });
    key(QKeySequence(Qt::CTRL | Qt::Key_P), [this] { return print_; });
    key(QKeySequence(Qt::CTRL | Qt::Key_H), [this] { return history_; });

    for (const auto& [name, control] : form_.fields) {
        control->installEventFilter(this);
        connect(static_cast<QLineEdit*>(control), &QLineEdit::textChanged, this,
                &EntryWindow::MarkChanged);
    }
    for (CodePickerBox* picker : {form_.regionName, form_.levelName, form_.stateName}) {
        connect(picker, &QLineEdit::textChanged, this, &EntryWindow::MarkChanged);
    }
    connect(form_.regionName, &CodePickerBox::dropDownRequested, this, &EntryWindow::ChooseRegion);
    connect(form_.levelName, &CodePickerBox::dropDownRequested, this, [this] {
        TMenuItemDataArray codes;
        for (const entry::CodeItem& item : levels_) codes.push_back({item.code, Text(item.name)});
        ShowCodeMenu(form_.levelName, codes, [this](int code) { ApplyLevelRules(code); });
    });
    connect(form_.stateName, &CodePickerBox::dropDownRequested, this, [this] {
        TMenuItemDataArray codes;
        for (const entry::CodeItem& item : states_) codes.push_back({item.code, Text(item.name)});
        ShowCodeMenu(form_.stateName, codes, [this](int code) { ApplyReportingState(code); });
    });
    connect(form_.pages, &QTabWidget::currentChanged, this, &EntryWindow::PageChanged);
    // On a page without a field to type in the tab bar holds the focus, so Enter and Down go on.
    form_.pages->tabBar()->installEventFilter(this);
    setFixedSize(1180, 860);
}

QPushButton* EntryWindow::Button(const QString& objectName) const {
    for (QPushButton* button : {hold_, save_, add_, check_, print_, history_, return_}) {
        if (button->objectName() == objectName) return button;
    }
    return nullptr;
}

void EntryWindow::OpenForAdding(RecordListView& list) {
    if (RefuseWhileOperationRuns(parentWidget())) return;
    const int row = list.CurrentRow();
    const double bookmark = row >= 0 ? list.Model().CodeAt(row) : 0;
    try {
        const auto ending = qScopeGuard([this] { EndSession(); });
        Begin(true, list);
        exec();
    } catch (...) {
        list.RequeryKeepingRow();
        list.ReturnToCode(bookmark);
        throw;
    }
    list.RequeryKeepingRow();
    list.ReturnToCode(bookmark);
}

void EntryWindow::OpenForModifying(RecordListView& list) {
    if (list.Model().RowCount() == 0 || RefuseWhileOperationRuns(parentWidget())) return;
    const auto ending = qScopeGuard([this] { EndSession(); });
    Begin(false, list);
    exec();
}

void EntryWindow::EndSession() {
    // The rule table's prepared statements would keep the database from closing (compaction,
    // backup, the end of the program) while the window waits for its next session.
    rules_.reset();
}

void EntryWindow::Begin(bool adding, RecordListView& list) {
    adding_ = adding;
    list_ = &list;
    const int row = list.CurrentRow();
    printCode_ = row >= 0 ? list.Model().CodeAt(row) : 0;
    catalogue_ = entry::EntryCatalogue::Read(Db());
    rules_ = std::make_unique<check::RuleTable>(Db(), *this, *errorList_, *notifier_);
    delete suggestions_;
    SuggestionSearch search =
        [localiser = std::make_shared<const locate::ErrorLocaliser>(
             locate::LocateCatalogue::FromRows(catalogue_->Rows()),
             locate::LocateRules::Delivered())](const check::RecordValues& values) {
            return localiser->Locate(values);
        };
    if (wrapSuggestionSearch) search = wrapSuggestionSearch(std::move(search));
    suggestions_ = new SuggestionWorker(std::move(search), check::FieldHints::Load(Db()), this);
    connect(suggestions_, &SuggestionWorker::Ready, this,
            [this](int ticket, const RepairSuggestion& suggestion) {
                // An answer for errors no longer listed would name the wrong answers.
                if (ticket != errorList_->Generation() || errorList_->HasNoMessages()) return;
                answeredTicket_ = ticket;
                searching_->stop();
                errorList_->SetSuggestion(suggestion);
            });
    levels_ = entry::LoadCodeList(Db(), "CT_LevelCode");
    states_ = entry::LoadCodeList(Db(), "CT_state");
    errorList_->ClearMessages();
    LoadRecord();
    print_->setEnabled(!adding_);
}

void EntryWindow::showEvent(QShowEvent* event) {
    move(10, 2);
    QDialog::showEvent(event);
}

void EntryWindow::EnableSurveyFields() {
    for (EntryNumberBox* box : form_.surveyFields) box->setEnabled(true);
    check_->setEnabled(true);
}

QPoint EntryWindow::ErrorListPlace(QSize size) const {
    // Beside the form where the screen has room, else just above the page tabs and the notes
    // (both below the form): never over them, the user needs them while mending the errors.
    const QRect window = frameGeometry();
    const QScreen* screen = this->screen();
    const QRect free = screen != nullptr ? screen->availableGeometry() : window;
    if (free.right() - window.right() >= size.width()) return {window.right() + 1, window.top()};
    if (window.left() - free.left() >= size.width())
        return {window.left() - size.width(), window.top()};
    const QWidget* tabs = form_.pages->tabBar();
    const int top =
        std::min(tabs->mapToGlobal(QPoint(0, 0)).y(), notes_->mapToGlobal(QPoint(0, 0)).y());
    return {window.right() - size.width(), std::max(window.top(), top - size.height() - 1)};
}

void EntryWindow::LoadRecord() {
    loaded_ = false;
    // Another record's errors are no help on this one.
    errorList_->ClearMessages();
    const int row = list_->CurrentRow();
    const double code = row >= 0 ? list_->Model().CodeAt(row) : 0;
    // A record shown before may have left fields disabled by its state.
    EnableSurveyFields();
    if (adding_) {
        writtenSinceOpened_ = false;
        loadedCode_ = 0;
        FillForNewRecord();
    } else {
        const entry::StoredRecord record = entry::ReadRecord(Db(), code);
        loadedCode_ = code;
        // Codes that the exit handlers do not find must not show the previous record's names.
        for (CodePickerBox* picker : {form_.regionName, form_.levelName, form_.stateName}) {
            picker->clear();
            picker->setCode(CodePickerBox::kNoCode);
        }
        FillFromRecord(record);
        RegionExit(false);
        LevelExit(false);
        StateExit(false);
    }
    ApplyLevelRules(static_cast<int>(form_.level->value()));
    hold_->setEnabled(false);
    save_->setEnabled(false);
    ShowPage(0);
    form_.code->setFocus(Qt::OtherFocusReason);
    UpdatePosition();
    add_->setVisible(adding_);
    save_->setVisible(!adding_);
    baseline_ = FieldTexts();
    if (verifier_) BlankForVerifying();
    loaded_ = true;
}

void EntryWindow::SetLimitsByCatalogue(const entry::CatalogueRow& row, QWidget* control,
                                       bool newRecord) {
    auto* box = qobject_cast<EntryNumberBox*>(control);
    if (box == nullptr) return;
    if (row.queryType == entry::kTwoValued && (row.id > 6 || newRecord)) {
        box->setLimits(0, 2, 1);
    } else if ((row.queryType == entry::kInteger || row.queryType == entry::kDecimal) &&
               row.id > 6) {
        box->setLimits(0, kCatalogueMaximum, 0);
    }
}

void EntryWindow::FillForNewRecord() {
    for (const entry::CatalogueRow& row : catalogue_->Rows()) {
        QWidget* control = Field(Text(row.fieldName));
        if (control == nullptr) continue;
        SetLimitsByCatalogue(row, control, true);
        if (auto* box = qobject_cast<EntryNumberBox*>(control)) {
            if (row.queryType == entry::kTwoValued || row.id > 6) box->setValue(0);
        } else if (auto* text = qobject_cast<QLineEdit*>(control)) {
            text->clear();
        }
    }
    form_.code->setText(Text(entry::CodeText(entry::ProposeNewCode(Db()))));
    const int city = registry_.ReadRegInteger(QStringLiteral("AppLastCity"), 0,
                                              RegistryRoot::LocalMachine, kEnvSettingKey);
    form_.region->setValue(city);
    form_.regionName->setCode(city);
    form_.regionName->setText(Text(entry::RegionName(Db(), city)));
    form_.level->setValue(kNewRecordLevel);
    form_.levelName->setCode(kNewRecordLevel);
    form_.levelName->setText(Text(entry::CodeName(levels_, kNewRecordLevel)));
    form_.state->setValue(0);
    form_.stateName->setCode(0);
    form_.stateName->clear();
    form_.filler->setText(registry_.ReadRegString(QStringLiteral("c905"), QString(),
                                                  RegistryRoot::LocalMachine, kDataKey));
    form_.telephone->setText(registry_.ReadRegString(QStringLiteral("c906"), QString(),
                                                     RegistryRoot::LocalMachine, kDataKey));
}

void EntryWindow::FillFromRecord(const entry::StoredRecord& record) {
    const auto& rows = catalogue_->Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        QWidget* control = Field(Text(rows[i].fieldName));
        if (control == nullptr) continue;
        SetLimitsByCatalogue(rows[i], control, false);
        const entry::FieldValue value = record.ValueOf(*catalogue_, i);
        if (auto* box = qobject_cast<EntryNumberBox*>(control)) {
            box->setValue(entry::AsNumber(value));
        } else if (auto* text = qobject_cast<QLineEdit*>(control)) {
            text->setText(Text(entry::AsText(value)));
        }
    }
    form_.code->setText(Text(entry::CodeText(loadedCode_)));
}

void EntryWindow::UpdatePosition() {
    const int count = list_->Model().RowCount();
    const int row = list_->CurrentRow();
    if (count < 2) {
        itemNo_->setText(QStringLiteral("第1条/共1条"));
        navBar_->setVisible(false);
    } else {
        itemNo_->setText(QStringLiteral("第%1条/共%2条").arg(row + 1).arg(count));
        navBar_->setVisible(!adding_);
    }
    itemNo_->setVisible(!adding_);
    navActions_[0]->setEnabled(row > 0);
    navActions_[1]->setEnabled(row > 0);
    navActions_[2]->setEnabled(row < count - 1);
    navActions_[3]->setEnabled(row < count - 1);
}

void EntryWindow::MarkChanged() {
    if (loaded_ && !verifier_) journal_->Changed();
    hold_->setEnabled(true);
    save_->setEnabled(true);
    print_->setEnabled(false);
}

void EntryWindow::ApplyLevelRules(int level) {
    form_.level->setValue(level);
    if (form_.state->value() > 2 || !catalogue_) return;
    for (const entry::CatalogueRow& row : catalogue_->Rows()) {
        if (row.rule.empty()) continue;
        QWidget* control = Field(Text(row.fieldName));
        if (control == nullptr) continue;
        const bool applies = entry::EvaluateLevelRule(level, row.rule);
        control->setEnabled(applies);
        if (applies) continue;
        if (auto* box = qobject_cast<EntryNumberBox*>(control))
            box->setValue(0);
        else if (auto* text = qobject_cast<QLineEdit*>(control))
            text->clear();
    }
}

void EntryWindow::ApplyReportingState(int state) {
    form_.state->setValue(state);
    if (state < 3) {
        EnableSurveyFields();
        hold_->setEnabled(true);
        ApplyLevelRules(static_cast<int>(form_.level->value()));
        return;
    }
    errorList_->ClearMessages();
    for (EntryNumberBox* box : form_.surveyFields) {
        box->setValue(0);
        box->setEnabled(false);
    }
    check_->setEnabled(false);
    hold_->setEnabled(false);
}

std::optional<double> EntryWindow::Value(std::string_view name) const {
    QWidget* control = Field(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    if (control == nullptr) return std::nullopt;
    const auto* box = qobject_cast<const EntryNumberBox*>(control);
    if (box == nullptr) throw std::invalid_argument(std::string(name) + " is not a numeric field");
    return box->text().isEmpty() ? 0.0 : box->value();
}

}  // namespace tallwick::ui
