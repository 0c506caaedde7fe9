#include "query/query_search_dialogs.h"

#include "common/failure_text.h"
#include "list/record_list_view.h"
#include "query/code_search.h"
#include "query/comparison.h"
#include "query/condition_error.h"
#include "widgets/code_box.h"
#include "widgets/code_popup.h"
#include "widgets/error_display.h"
#include "widgets/message_box.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace tallwick::ui {
namespace {

using query::Comparison;
using query::ConditionError;
using query::ConditionFocus;
using query::Connector;

TMenuItemDataArray OperatorCodes() {
    TMenuItemDataArray codes;
    for (int code = 1; code <= 5; ++code) {
        codes.append(
            {code, QString::fromUtf8(query::ComparisonText(static_cast<Comparison>(code)))});
    }
    return codes;
}

TMenuItemDataArray ConnectorCodes() {
    return {{1, QString::fromUtf8(query::ConnectorLabel(Connector::And))},
            {2, QString::fromUtf8(query::ConnectorLabel(Connector::Or))}};
}

CodePickerBox* NewPicker(const QString& name, const TMenuItemDataArray& codes, int width) {
    auto* box = new CodePickerBox;
    box->setObjectName(name);
    box->setFixedWidth(width);
    QObject::connect(box, &CodePickerBox::dropDownRequested, box,
                     [box, codes] { ShowCodeMenu(box, codes); });
    return box;
}

void SetPicker(CodePickerBox* box, const TMenuItemDataArray& codes, int code) {
    for (const TCode& item : codes) {
        if (item.code == code) box->setText(item.name);
    }
    box->setCode(code);
}

std::string Text(const QLineEdit* box) {
    return box->text().toStdString();
}

}  // namespace

void CentreOnScreen(QWidget* dialog) {
    if (const QScreen* screen = dialog->screen(); screen != nullptr) {
        QRect frame = dialog->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        dialog->move(frame.topLeft());
    }
}

CodePickerBox* NewOperatorPicker(const QString& objectName) {
    return NewPicker(objectName, OperatorCodes(), 60);
}

void SetOperator(CodePickerBox* box, int code) {
    SetPicker(box, OperatorCodes(), code);
}

void ShowResultsKeepingRecord(RecordListView& list, const ResultListOpener& openResults,
                              const std::string& condition) {
    // The result list may change or delete records.
    const int row = list.CurrentRow();
    const std::optional<double> bookmark =
        row >= 0 ? std::optional<double>(list.Model().CodeAt(row)) : std::nullopt;
    if (openResults) openResults(condition);
    try {
        list.RequeryKeepingRow();
        if (bookmark) list.ReturnToCode(*bookmark);
    } catch (const std::exception&) {
        // The list keeps what it showed; the search itself is done.
    }
}

QPushButton* NewButton(const QString& text, const QString& name) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QHBoxLayout* SearchButtonRow(QDialog* dialog, QPushButton* search) {
    auto* back = NewButton(QStringLiteral("返  回"), QStringLiteral("tbReturn"));
    QObject::connect(back, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(search);
    buttons->addWidget(back);
    return buttons;
}

void SearchWithCondition(QWidget* dialog, const ConditionControls& controls,
                         const std::function<std::string()>& build, RecordListView& list,
                         const ResultListOpener& openResults) {
    std::string condition;
    try {
        condition = build();
    } catch (const ConditionError& error) {
        ShowMessage(QString::fromUtf8(error.what()), dialog);
        QWidget* target = controls.number1;
        switch (error.Focus()) {
            case ConditionFocus::Field:
                if (controls.field) target = controls.field;
                break;
            case ConditionFocus::Operator1:
                target = controls.operator1;
                break;
            case ConditionFocus::Operator2:
                target = controls.operator2;
                break;
            case ConditionFocus::Number2:
                target = controls.number2;
                break;
            default:
                break;
        }
        if (target) target->setFocus();
        return;
    }
    try {
        ShowResultsKeepingRecord(list, openResults, condition);
    } catch (const std::exception& error) {
        // The engine's own message, in Chinese where the cause is one the user can remedy.
        ShowMessage(QString::fromStdString(FailureText(error)), dialog);
    }
}

CodeRangeSearchDialog::CodeRangeSearchDialog(RecordListView& list, ResultListOpener openResults,
                                             QWidget* parent)
    : QDialog(parent),
      list_(list),
      openResults_(std::move(openResults)),
      lc1_(NewOperatorPicker(QStringLiteral("lc1"))),
      number1_(NewCodeBox(12, QStringLiteral("number1"))),
      lc2_(NewPicker(QStringLiteral("lc2"), ConnectorCodes(), 60)),
      lc3_(NewOperatorPicker(QStringLiteral("lc3"))),
      number2_(NewCodeBox(12, QStringLiteral("number2"))),
      search_(NewButton(QStringLiteral("查  找"), QStringLiteral("tbSum"))) {
    setWindowTitle(QStringLiteral("查询数据"));

    auto* group = new QGroupBox(QStringLiteral("编号范围"));
    auto* line = new QHBoxLayout(group);
    line->addWidget(lc1_);
    line->addWidget(number1_);
    line->addWidget(lc2_);
    line->addWidget(lc3_);
    line->addWidget(number2_);

    connect(search_, &QPushButton::clicked, this, &CodeRangeSearchDialog::Search);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(SearchButtonRow(this, search_));
    setFixedSize(sizeHint());
}

void CodeRangeSearchDialog::showEvent(QShowEvent* event) {
    SetPicker(lc1_, OperatorCodes(), static_cast<int>(Comparison::Equal));
    SetPicker(lc2_, ConnectorCodes(), static_cast<int>(Connector::And));
    SetPicker(lc3_, OperatorCodes(), static_cast<int>(Comparison::Equal));
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

void CodeRangeSearchDialog::Search() {
    query::CodeRangeSearch search;
    search.op1 = static_cast<Comparison>(std::max(lc1_->code(), 0));
    search.number1 = Text(number1_);
    search.connector =
        lc2_->code() == static_cast<int>(Connector::Or) ? Connector::Or : Connector::And;
    search.op2 = static_cast<Comparison>(std::max(lc3_->code(), 0));
    search.number2 = Text(number2_);
    SearchWithCondition(
        this, {nullptr, lc1_, number1_, lc3_, number2_},
        [&search] { return query::BuildCodeRangeCondition(search); }, list_, openResults_);
}

LocateDialog::LocateDialog(SQLite::Database& db, RecordListView& list, QWidget* parent)
    : QDialog(parent),
      db_(db),
      list_(list),
      byCode_(new QRadioButton(QStringLiteral("按编号定位（精确匹配）"))),
      code_(NewCodeBox(12, QStringLiteral("c901"))),
      byName_(new QRadioButton(QStringLiteral("按名称定位（模糊匹配）"))),
      name_(new QLineEdit),
      locate_(NewButton(QStringLiteral("定  位"), QStringLiteral("tbSum"))) {
    setWindowTitle(QStringLiteral("定位数据记录"));
    byCode_->setObjectName(QStringLiteral("rad901"));
    byName_->setObjectName(QStringLiteral("rad902"));
    name_->setObjectName(QStringLiteral("c902"));
    // Quotes would end the name inside the condition text.
    name_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^'\"`]*")), name_));
    byCode_->setChecked(true);
    connect(code_, &QLineEdit::textChanged, byCode_, [this] { byCode_->setChecked(true); });
    connect(name_, &QLineEdit::textChanged, byName_, [this] { byName_->setChecked(true); });

    connect(locate_, &QPushButton::clicked, this, &LocateDialog::Locate);
    connect(code_, &QLineEdit::returnPressed, this, &LocateDialog::Locate);
    connect(name_, &QLineEdit::returnPressed, this, &LocateDialog::Locate);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(byCode_);
    layout->addWidget(code_);
    layout->addWidget(byName_);
    layout->addWidget(name_);
    layout->addLayout(SearchButtonRow(this, locate_));
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
    CentreOnScreen(this);
}

void LocateDialog::Locate() {
    try {
        double code = 0;
        if (byCode_->isChecked()) {
            code = query::LocateCodeValue(Text(code_));
        } else {
            const std::optional<double> found = query::FindCodeByName(db_, Text(name_));
            if (!found) {
                ShowMessage(QString::fromUtf8(query::kNothingFound), this);
                return;
            }
            code = *found;
        }
        if (!list_.ReturnToCode(code)) {
            ShowMessage(QString::fromUtf8(query::kNothingFound), this);
            return;
        }
    } catch (const ConditionError& error) {
        ShowMessage(QString::fromUtf8(error.what()), this);
        byCode_->setFocus();
        return;
    } catch (const std::exception& error) {
        ShowMessage(UncaughtErrorText(error), this);
        return;
    }
    accept();
}

}  // namespace tallwick::ui
