#include "entry/entry_form.h"

#include "entry/entry_number_box.h"
#include "entry/entry_pages.h"
#include "widgets/code_popup.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

#include <set>

namespace tallwick::ui {
namespace {

constexpr int kBoxWidth = 110;
constexpr int kColumns = 2;

struct Family {
    char letter;
    int count;
};
constexpr Family kFamilies[] = {{'z', 18}, {'x', 18}, {'b', 46}, {'f', 20}, {'l', 8},  {'j', 24},
                                {'s', 22}, {'w', 11}, {'n', 4},  {'g', 4},  {'d', 55}, {'y', 12}};

QString FieldName(char letter, int number) {
    return QStringLiteral("%1%2").arg(QLatin1Char(letter)).arg(number, 3, 10, QLatin1Char('0'));
}

QString NextField(const QString& field, int offset) {
    return FieldName(field.at(0).toLatin1(), field.mid(1).toInt() + offset);
}

QLabel* Title(const QString& text, QWidget* parent, int pointDelta = 1) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSize(font.pointSize() + pointDelta);
    label->setFont(font);
    label->setWordWrap(true);
    return label;
}

EntryNumberBox* NewSurveyBox(const QString& name, QWidget* parent) {
    auto* box = new EntryNumberBox(parent);
    box->setObjectName(name);
    const SurveyLimits limits = FormLimitsOf(name);
    box->setDecimals(limits.decimals);
    box->setLimits(0, limits.maximum, limits.maxLength);
    box->setFixedWidth(kBoxWidth);
    return box;
}

// One page of survey fields: the title lines, then the groups flowed into two columns.
QWidget* BuildSurveyPage(const EntryPageLayout& layout, EntryForm& form,
                         std::vector<QWidget*>& order) {
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    for (const char* line : layout.titleLines)
        outer->addWidget(Title(QString::fromUtf8(line), page));

    auto* body = new QWidget(page);
    auto* columns = new QHBoxLayout(body);
    columns->setSpacing(24);
    outer->addWidget(body, 1);

    // Lines a group takes: its heading and its items; the columns split between groups.
    int totalLines = 0;
    for (const EntryGroup& group : layout.groups) {
        totalLines += static_cast<int>(group.items.size()) + (*group.heading ? 1 : 0);
    }
    QGridLayout* grid = nullptr;
    int row = 0;
    int linesPlaced = 0;
    int column = -1;
    for (const EntryGroup& group : layout.groups) {
        const int lines = static_cast<int>(group.items.size()) + (*group.heading ? 1 : 0);
        // A group goes to the next column when its middle would pass the column's share.
        const int share = (totalLines + kColumns - 1) / kColumns * (column + 1);
        if (grid == nullptr ||
            (column + 1 < kColumns && row > 0 && linesPlaced + lines / 2 >= share)) {
            if (grid != nullptr) grid->setRowStretch(row, 1);
            ++column;
            grid = new QGridLayout;
            grid->setHorizontalSpacing(8);
            grid->setVerticalSpacing(3);
            grid->setColumnStretch(0, 1);
            columns->addLayout(grid, 1);
            row = 0;
        }
        linesPlaced += lines;
        if (group.firstField == nullptr) {
            grid->addWidget(Title(QString::fromUtf8(group.heading), body, 0), row++, 0, 1, 3);
            continue;
        }
        if (*group.heading) {
            auto* heading = new QLabel(QString::fromUtf8(group.heading), body);
            heading->setWordWrap(true);
            grid->addWidget(heading, row++, 0, 1, 3);
        }
        const QString first = QString::fromLatin1(group.firstField);
        for (std::size_t i = 0; i < group.items.size(); ++i) {
            const EntryItem& item = group.items[i];
            const QString name = NextField(first, static_cast<int>(i));
            QString text = QString::fromUtf8(item.label);
            if (*item.unit) text += QStringLiteral("（%1）").arg(QString::fromUtf8(item.unit));
            auto* label = new QLabel(text, body);
            label->setWordWrap(true);
            if (*group.heading) label->setIndent(16);
            auto* nameLabel = new QLabel(name, body);
            nameLabel->setStyleSheet(QStringLiteral("color: #555555"));
            EntryNumberBox* box = NewSurveyBox(name, body);
            label->setBuddy(box);
            grid->addWidget(label, row, 0);
            grid->addWidget(nameLabel, row, 1);
            grid->addWidget(box, row, 2);
            ++row;
            form.fields[name.toLower()] = box;
            order.push_back(box);
        }
    }
    if (grid != nullptr) grid->setRowStretch(row, 1);
    return page;
}

QLineEdit* NewTextBox(const QString& name, int maxLength, const QString& pattern, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaxLength(maxLength);
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), box));
    return box;
}

EntryNumberBox* NewCoverBox(const QString& name, int maxLength, double minimum, double maximum,
                            EntryNumberBox::Format format, double emptyValue, QWidget* parent) {
    auto* box = new EntryNumberBox(parent);
    box->setObjectName(name);
    box->setFormat(format);
    box->setEmptyValue(emptyValue);
    box->setLimits(minimum, maximum, maxLength);
    box->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return box;
}

CodePickerBox* NewPicker(const QString& name, const QString& hint, QWidget* parent) {
    auto* picker = new CodePickerBox(parent);
    picker->setObjectName(name);
    picker->setToolTip(hint);
    picker->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
    return picker;
}

QWidget* BuildCoverPage(EntryForm& form, std::vector<QWidget*>& order) {
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);

    auto* top = new QHBoxLayout;
    auto* law = new QLabel(QString::fromUtf8(CoverLawText()), page);
    law->setWordWrap(true);
    law->setFixedWidth(330);
    top->addWidget(law, 0, Qt::AlignTop);
    top->addStretch(1);
    auto* title = Title(QString::fromUtf8(CoverTitle()), page, 8);
    title->setWordWrap(false);
    top->addWidget(title, 0, Qt::AlignVCenter);
    top->addStretch(1);
    auto* box = new QFrame(page);
    box->setFrameShape(QFrame::Box);
    auto* boxLines = new QVBoxLayout(box);
    for (const char* line : CoverBoxLines())
        boxLines->addWidget(new QLabel(QString::fromUtf8(line), box));
    top->addWidget(box, 0, Qt::AlignTop);
    outer->addLayout(top);
    outer->addSpacing(30);

    const QString noQuotes = QStringLiteral("[^'\"`]*");
    form.code = NewCoverBox(QStringLiteral("c901"), 12, 1, 99999999999999.0,
                            EntryNumberBox::Format::Plain, 1, page);
    form.unionName = NewTextBox(QStringLiteral("c902"), 60, noQuotes, page);
    form.region = NewCoverBox(QStringLiteral("c903"), 6, 0, 999999,
                              EntryNumberBox::Format::SixDigits, 0, page);
    form.region->setToolTip(QStringLiteral("输入本级工会行政区划代码"));
    form.level =
        NewCoverBox(QStringLiteral("c904"), 6, 0, 999999, EntryNumberBox::Format::Plain, 10, page);
    form.level->setToolTip(QStringLiteral("输入本级工会层次代码"));
    form.state =
        NewCoverBox(QStringLiteral("c907"), 6, 0, 999999, EntryNumberBox::Format::Plain, 0, page);
    form.filler =
        NewTextBox(QStringLiteral("c905"), 50, QStringLiteral("[^'\"`.0-9A-Za-z]*"), page);
    form.telephone = NewTextBox(QStringLiteral("c906"), 50, QStringLiteral("[0-9-]*"), page);
    form.regionName = NewPicker(QStringLiteral("CityNameCtrl"),
                                QStringLiteral("选择本级工会所在地行政区划"), page);
    form.levelName = NewPicker(QStringLiteral("LevelName"), QStringLiteral("本级工会层次"), page);
    form.stateName = NewPicker(QStringLiteral("StateName"), QString(), page);

    auto* fieldsRow = new QHBoxLayout;
    fieldsRow->addStretch(1);
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(12);
    grid->setHorizontalSpacing(8);
    struct Line {
        const char* label;
        QWidget* box;
        QWidget* picker;
    };
    const Line lines[] = {
        {"901. 本级工会统计编码：", form.code, nullptr},
        {"902. 本级工会名称：", form.unionName, nullptr},
        {"903. 本级工会所在地行政区划代码：", form.region, form.regionName},
        {"904. 本级工会层次代码：", form.level, form.levelName},
        {"907. 基层以上工会本年度的填报状态：", form.state, form.stateName},
        {"填 表 人：", form.filler, nullptr},
        {"联系电话：", form.telephone, nullptr},
    };
    int row = 0;
    for (const Line& line : lines) {
        auto* label = new QLabel(QString::fromUtf8(line.label), page);
        label->setBuddy(line.box);
        grid->addWidget(label, row, 0, Qt::AlignRight);
        if (line.picker == nullptr && line.box != form.code) {
            line.box->setMinimumWidth(line.box == form.unionName ? 420 : 200);
            grid->addWidget(line.box, row, 1, 1, 2, Qt::AlignLeft);
        } else {
            line.box->setFixedWidth(140);
            grid->addWidget(line.box, row, 1);
            if (line.picker != nullptr) {
                line.picker->setMinimumWidth(270);
                grid->addWidget(line.picker, row, 2);
            }
        }
        form.fields[line.box->objectName()] = line.box;
        order.push_back(line.box);
        if (line.picker != nullptr) order.push_back(line.picker);
        ++row;
    }
    fieldsRow->addLayout(grid);
    fieldsRow->addStretch(1);
    outer->addLayout(fieldsRow);
    outer->addStretch(1);
    return page;
}

}  // namespace

QWidget* EntryForm::Field(const QString& name) const {
    const auto it = fields.find(name.toLower());
    return it == fields.end() ? nullptr : it->second;
}

SurveyLimits FormLimitsOf(const QString& field) {
    static const std::set<QString> twoValued = [] {
        std::set<QString> names;
        for (const char* name : {"z009", "z015", "b003", "b008", "b016", "f002", "f008", "f009",
                                 "f016", "f020", "l001", "s001", "s002", "s004", "d036"}) {
            names.insert(QString::fromLatin1(name));
        }
        auto range = [&names](char letter, int from, int to) {
            for (int n = from; n <= to; ++n) names.insert(FieldName(letter, n));
        };
        range('x', 3, 7);
        range('b', 37, 46);
        range('j', 20, 22);
        range('s', 10, 14);
        return names;
    }();
    const bool decimals = field == QStringLiteral("b018") || field == QStringLiteral("j024");
    if (field == QStringLiteral("z001")) return {999999999, 0, decimals};
    if (field == QStringLiteral("z010")) return {3, 1, decimals};
    if (twoValued.contains(field)) return {2, 1, decimals};
    return {99999999, 0, decimals};
}

EntryForm BuildEntryForm(QWidget* parent) {
    EntryForm form;
    form.pages = new QTabWidget(parent);
    form.pages->setObjectName(QStringLiteral("DataPage"));
    form.pages->setTabPosition(QTabWidget::South);
    form.pages->setUsesScrollButtons(false);
    form.tabOrder.resize(kEntryPageCount);
    form.pages->addTab(BuildCoverPage(form, form.tabOrder[0]), QStringLiteral("封面"));
    const auto& layouts = SurveyPageLayouts();
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        QWidget* page = BuildSurveyPage(layouts[i], form, form.tabOrder[i + 1]);
        // "&&" is a literal ampersand in a tab caption.
        form.pages->addTab(page, QString::fromUtf8(layouts[i].tab));
    }
    for (const Family& family : kFamilies) {
        for (int n = 1; n <= family.count; ++n) {
            if (auto* box =
                    qobject_cast<EntryNumberBox*>(form.Field(FieldName(family.letter, n)))) {
                form.surveyFields.push_back(box);
            }
        }
    }
    return form;
}

}  // namespace tallwick::ui
