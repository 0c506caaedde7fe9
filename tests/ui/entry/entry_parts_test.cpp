// The pieces of the entry window on their own: the form built from its page description, the
// number boxes, the error list and the region picker.
#include "entry/entry_error_list.h"
#include "entry/entry_form.h"
#include "entry/entry_number_box.h"
#include "entry/entry_region_picker.h"
#include "locate/locate_fields.h"
#include "locate/suggestion_text.h"
#include "test_support.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

#include <memory>
#include <set>

using namespace tallwick::ui;

namespace {

// Indentation, the "of which" prefix and the width of brackets differ between print and screen.
QString Plain(QString text) {
    text.remove(QChar(0x3000)).remove(QStringLiteral("其中："));
    return text.replace('(', QStringLiteral("（")).replace(')', QStringLiteral("）"));
}

}  // namespace

class EntryPartsTest : public QObject {
    Q_OBJECT

  private slots:
    void formHasEveryFieldOnceOnItsPage() {
        QWidget parent;
        const EntryForm form = BuildEntryForm(&parent);
        QCOMPARE(form.pages->count(), 14);
        QCOMPARE(form.pages->tabText(10), QStringLiteral("表9&&表10"));  // shows one "&"
        QCOMPARE(form.surveyFields.size(), std::size_t{242});
        std::set<QWidget*> distinct(form.surveyFields.begin(), form.surveyFields.end());
        QCOMPARE(distinct.size(), std::size_t{242});
        QCOMPARE(form.surveyFields.front()->objectName(), QStringLiteral("z001"));
        QCOMPARE(form.surveyFields.back()->objectName(), QStringLiteral("y012"));
        // Tab order: cover fields in the form's order, pickers between; pages by number.
        QStringList cover;
        for (QWidget* w : form.tabOrder[0]) cover << w->objectName();
        QCOMPARE(cover, (QStringList{"c901", "c902", "c903", "CityNameCtrl", "c904", "LevelName",
                                     "c907", "StateName", "c905", "c906"}));
        QCOMPARE(form.tabOrder[10].front()->objectName(), QStringLiteral("n001"));
        QCOMPARE(form.tabOrder[10].back()->objectName(), QStringLiteral("g004"));
        QCOMPARE(form.tabOrder[11].size(), std::size_t{31});
        QCOMPARE(form.tabOrder[12].front()->objectName(), QStringLiteral("d032"));
        for (std::size_t page = 1; page < 14; ++page) {
            for (QWidget* w : form.tabOrder[page]) {
                QVERIFY2(form.pages->widget(static_cast<int>(page))->isAncestorOf(w),
                         qPrintable(w->objectName()));
            }
        }
    }

    // The printed form's item texts are the questionnaire's own headings; a label may drop only
    // the "of which" prefix of a sub-question.
    void labelsReadAsTheQuestionnairesHeadings() {
        QFile items(QStringLiteral(TALLWICK_DATA_SOURCES "/print/items.tsv"));
        QVERIFY(items.open(QIODevice::ReadOnly | QIODevice::Text));
        QHash<QString, QString> heading;
        while (!items.atEnd()) {
            const QStringList cells = QString::fromUtf8(items.readLine()).trimmed().split('\t');
            if (cells.size() >= 2) heading[cells[0]] = cells[1];
        }
        QWidget parent;
        BuildEntryForm(&parent);
        QStringList differing;
        int compared = 0;
        for (QLabel* label : parent.findChildren<QLabel*>()) {
            if (label->buddy() == nullptr) continue;
            const QString field = label->buddy()->objectName();
            // Skipped: the cover, sub-questions under a group heading, and j022, which the
            // printed form leaves to the line above it.
            if (!heading.contains(field) || field.startsWith('c') || field == "j022") continue;
            if (label->indent() > 0) continue;
            QString text = label->text();
            if (text.endsWith(QStringLiteral("）")))  // the unit
                text.chop(text.size() - text.lastIndexOf(QStringLiteral("（")));
            ++compared;
            if (Plain(text) != Plain(heading[field])) differing << field + ": " + text;
        }
        QVERIFY(compared > 80);
        QVERIFY2(differing.isEmpty(), qPrintable(differing.join('\n')));
    }

    void formLimits() {
        QWidget parent;
        const EntryForm form = BuildEntryForm(&parent);
        struct Case {
            const char* field;
            double maximum;
            int length;
            bool decimals;
        };
        const Case cases[] = {{"z001", 999999999, 0, false}, {"z010", 3, 1, false},
                              {"x005", 2, 1, false},         {"b046", 2, 1, false},
                              {"s012", 2, 1, false},         {"d036", 2, 1, false},
                              {"b018", 99999999, 0, true},   {"j024", 99999999, 0, true},
                              {"y012", 99999999, 0, false}};
        for (const Case& c : cases) {
            auto* box = qobject_cast<EntryNumberBox*>(form.Field(QString::fromLatin1(c.field)));
            QVERIFY2(box != nullptr, c.field);
            QCOMPARE(box->maximum(), c.maximum);
            QCOMPARE(box->maxTypedLength(), c.length);
            QCOMPARE(box->decimals(), c.decimals);
        }
    }

    void numberBoxTypingAndDisplay() {
        EntryNumberBox box;
        box.setLimits(0, 2, 1);
        QTest::keyClicks(&box, "35");
        QCOMPARE(box.text(), QString());  // above the maximum, then too long
        QTest::keyClicks(&box, "2");
        QCOMPARE(box.value(), 2.0);

        EntryNumberBox amount;
        amount.setDecimals(true);
        amount.setLimits(0, 99999999, 0);
        amount.setValue(1234567.5);
        QCOMPARE(amount.text(), QStringLiteral("1,234,567.5"));
        QCOMPARE(amount.value(), 1234567.5);
        amount.setValue(0);
        QCOMPARE(amount.text(), QString());  // 0 shows as an empty box
        QCOMPARE(amount.value(), 0.0);

        EntryNumberBox region;
        region.setFormat(EntryNumberBox::Format::SixDigits);
        region.setValue(10100);
        QCOMPARE(region.text(), QStringLiteral("010100"));
    }

    // Moving through a box shows its value with and without separators: no edit. A value out of
    // the box's limits is refused with the reason, the box keeping its last valid value.
    void numberBoxFocusAndLimits() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* amount = new EntryNumberBox;
        amount->setLimits(0, 9999, 0);
        auto* code = new EntryNumberBox;
        code->setFormat(EntryNumberBox::Format::Plain);
        code->setLimits(1, 99999999999999.0, 12);
        code->setEmptyValue(1);
        layout->addWidget(amount);
        layout->addWidget(code);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        code->setFocus();
        amount->setValue(1234);
        QCOMPARE(amount->text(), QStringLiteral("1,234"));
        QSignalSpy edits(amount, &QLineEdit::textChanged);
        amount->setFocus();
        QCOMPARE(amount->text(), QStringLiteral("1234"));
        code->setFocus();
        QCOMPARE(amount->text(), QStringLiteral("1,234"));
        QCOMPARE(edits.count(), 0);

        // Typing above the maximum: refused with the reason.
        amount->setFocus();
        amount->end(false);
        QTest::keyClicks(amount, "9");
        QCOMPARE(amount->value(), 1234.0);
        QCOMPARE(amount->rejection(), QStringLiteral("可输入0到9999之间的整数"));

        // A code takes digits only and nothing below 1.
        code->setFocus();
        code->clear();
        QTest::keyClicks(code, "12");
        QCOMPARE(code->text(), QStringLiteral("12"));
        amount->setFocus();
        code->setFocus();
        code->selectAll();
        QTest::keyClicks(code, "0");
        amount->setFocus();
        QCOMPARE(code->text(), QStringLiteral("12"));
        QCOMPARE(code->rejection(), QStringLiteral("可输入1到99999999999999之间的整数"));
    }

    // A refused decimal mark ends the number being typed: the digits after it were meant as a
    // fraction, and must never multiply the whole part. Pasted text is taken whole or not at all.
    void numberBoxRefusesAFractionWhole_data() {
        QTest::addColumn<bool>("decimals");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<bool>("told");
        QTest::newRow("typed 3.5") << false << false << "3.5"
                                   << "3" << true;
        QTest::newRow("typed 1,5") << false << false << "1,5"
                                   << "1" << true;
        QTest::newRow("typed 12.75") << false << false << "12.75"
                                     << "12" << true;
        QTest::newRow("typed 3.5, then a key, then 4") << false << false << "3.54"
                                                       << "4" << true;
        QTest::newRow("typed 1,5 with decimals") << true << false << "1,5"
                                                 << "1" << true;
        QTest::newRow("typed 3.5 with decimals") << true << false << "3.5"
                                                 << "3.5" << false;
        QTest::newRow("pasted 3.5") << false << true << "3.5"
                                    << "" << true;
        QTest::newRow("pasted 1,5") << false << true << "1,5"
                                    << "" << true;
        QTest::newRow("pasted 1,234") << false << true << "1,234"
                                      << "1,234" << false;
    }
    void numberBoxRefusesAFractionWhole() {
        QFETCH(bool, decimals);
        QFETCH(bool, paste);
        QFETCH(QString, input);
        QFETCH(QString, kept);
        QFETCH(bool, told);
        EntryNumberBox box;
        box.setDecimals(decimals);
        box.setLimits(0, 99999999, 0);
        if (paste) {
            QApplication::clipboard()->setText(input);
            box.paste();
        } else {
            QTest::keyClicks(&box, input);
        }
        QCOMPARE(box.text(), kept);
        QCOMPARE(!box.rejection().isEmpty(), told);
    }

    void aCodeTypedWithSeparatorsKeepsTheDigitsBeforeTheFirst() {
        QWidget window;
        const EntryForm form = BuildEntryForm(&window);
        auto* c901 = qobject_cast<EntryNumberBox*>(form.Field(QStringLiteral("c901")));
        QTest::keyClicks(c901, "100,000");
        QCOMPARE(c901->text(), QStringLiteral("100"));
        QVERIFY(!c901->rejection().isEmpty());
    }

    void errorListRowsAndHeights() {
        ErrorListWindow list;
        QVERIFY(list.HasNoMessages());
        QCOMPARE(list.Grid()->rowCount(), 1);
        list.AddMessage({"z002<=z001", "短", 1, "z002"});
        QVERIFY(!list.HasNoMessages());
        QCOMPARE(list.Grid()->rowCount(), 1);  // the first error takes the empty row
        list.AddMessage({"b", QString(60, QChar(0x957F)).toStdString(), 3, "b001"});
        list.AddMessage({"c", "短", 13, "y001"});
        QCOMPARE(list.Grid()->rowCount(), 3);
        QCOMPARE(list.Grid()->item(2, 2)->text(), QStringLiteral("13"));
        QVERIFY(list.Grid()->rowHeight(1) > list.Grid()->rowHeight(0));  // the long one wraps
        list.ClearMessages();
        QVERIFY(list.HasNoMessages());
        QCOMPARE(list.Grid()->rowCount(), 1);
        QCOMPARE(list.Grid()->item(0, 0)->text(), QString());
        QVERIFY(!list.isVisible());
    }

    // The line of the list and of the check run's result file alike: each answer with its value
    // now and the value to type, z001 9 → 1 first in every case.
    void suggestionLineNamesTheValues_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<double>("current");
        QTest::addColumn<double>("repaired");
        QTest::addColumn<bool>("unasked");
        QTest::addColumn<QString>("then");
        QTest::newRow("whole") << "d023" << 0.0 << 20.0 << false
                               << "d023（进入人员平均年龄）0 → 20";
        QTest::newRow("no readable name") << "d012" << 7.0 << 10.0 << false << "d012 7 → 10";
        QTest::newRow("decimal") << "b018" << 12.5 << 30.25 << false
                                 << "b018（下岗失业人员获小额借贷款金额）12.5 → 30.25";
        QTest::newRow("gross typo") << "j024" << 99999999999999.0 << 40.0 << false
                                    << "j024（技术交易实现效益）99999999999999 → 40";
        QTest::newRow("not asked") << "x005" << 3.0 << 0.0 << true
                                   << "x005（主席是否任人大常委会副主任）3 → 0"
                                      "（本级工会层次不填报，应为 0）";
    }
    void suggestionLineNamesTheValues() {
        QFETCH(QString, field);
        QFETCH(double, current);
        QFETCH(double, repaired);
        QFETCH(bool, unasked);
        QFETCH(QString, then);
        const tallwick::check::FieldHints hints(
            std::map<std::string, std::string>{{"z001", "本级工会专职工会干部"},
                                               {"d023", "进入人员平均年龄"},
                                               {"b018", "下岗失业人员获小额借贷款金额"},
                                               {"j024", "技术交易实现效益"},
                                               {"x005", "主席是否任人大常委会副主任"}});
        using tallwick::locate::Localisation;
        const Localisation found{Localisation::Outcome::Suggested,
                                 {{tallwick::locate::LocateFieldIndex("z001"), 9, 1, false},
                                  {tallwick::locate::LocateFieldIndex(field.toStdString()), current,
                                   repaired, unasked}}};
        const QString expected =
            QStringLiteral("建议修改：z001（本级工会专职工会干部）9 → 1、") + then;
        QCOMPARE(QString::fromStdString(*tallwick::locate::SuggestionLine(found, hints)), expected);

        ErrorListWindow list;
        list.AddMessage({"rule", "说明", 1, "z001"});
        list.SetSuggestion(SuggestionFor(found, hints));
        QCOMPARE(QTextDocumentFragment::fromHtml(list.Suggestion()->text()).toPlainText(),
                 expected);
        QCOMPARE(list.Answer(1)->field, field);
        QCOMPARE(list.Answer(1)->value, repaired);
    }

    void regionPickerWalksTheLevels() {
        tallwick::test::DeliveredDatabaseCopy copy;
        RegionPicker picker(copy.Db());
        // Without a start code: 北京市 市辖区.
        QCOMPARE(picker.Provinces()->currentItem()->text(), QStringLiteral("北京市"));
        picker.Confirm();
        QCOMPARE(picker.ResultCode(), std::int64_t{110100});
        QCOMPARE(picker.ResultName(), QStringLiteral("北京市"));

        picker.SetStartCode(120101);
        QCOMPARE(picker.Provinces()->currentItem()->text(), QStringLiteral("天津市"));
        QCOMPARE(picker.Cities()->currentItem()->text(), QStringLiteral("市辖区"));
        QCOMPARE(picker.Counties()->currentItem()->text(), QStringLiteral("和平区"));
        picker.Confirm();
        QCOMPARE(picker.ResultCode(), std::int64_t{120101});
        QCOMPARE(picker.ResultName(), QStringLiteral("天津市和平区"));

        // Another province: its first city, positioned on the city's own row.
        const int hebei = picker.Provinces()
                              ->findItems(QStringLiteral("河北省"), Qt::MatchExactly)
                              .front()
                              ->row();
        picker.Provinces()->setCurrentCell(hebei, 0);
        picker.ChooseProvince(hebei);
        QCOMPARE(picker.Cities()->currentRow(), 0);
        QCOMPARE(picker.Counties()->currentRow(), 0);
        picker.Confirm();
        QCOMPARE(picker.ResultCode(), std::int64_t{130100});

        // An empty county list gives the province itself.
        copy.Db().exec("DELETE FROM CT_CityName WHERE Code1 = 13 AND Code2 = 1");
        picker.ChooseProvince(hebei);
        QCOMPARE(picker.Counties()->rowCount(), 0);
        picker.Confirm();
        QCOMPARE(picker.ResultCode(), std::int64_t{130000});
        QCOMPARE(picker.ResultName(), QStringLiteral("河北省"));
    }
};

QTEST_MAIN(EntryPartsTest)
#include "entry_parts_test.moc"
