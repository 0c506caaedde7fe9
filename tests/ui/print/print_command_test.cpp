// Printing from the windows: the progress window counts the sheets, the workbook lands in the
// output folder under its own name and is handed to the viewer; a missing template is reported.
#include "print/print_command.h"
#include "widgets/message_box.h"
#include "widgets/progress_window.h"

#include "print/annual_report.h"
#include "sheet_python_reader.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <filesystem>
#include <memory>

using namespace tallwick::ui;
namespace fs = std::filesystem;
namespace print = tallwick::print;

class PrintCommandTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy;
    std::unique_ptr<tallwick::test::TempFolder> documents;
    QStringList messages;
    QStringList opened;

    QString Documents() const { return QString::fromStdString(documents->Path().string()); }

  private slots:
    void init() {
        copy = std::make_unique<tallwick::test::DeliveredDatabaseCopy>(
            tallwick::test::WithoutLimitGuards{});  // a short code
        documents = std::make_unique<tallwick::test::TempFolder>();
        fs::copy_file(fs::path(TALLWICK_BUILD_DIR "/bin") / print::kAnnualReportTemplateName,
                      copy->Folder() / print::kAnnualReportTemplateName);
        copy->Db().exec(
            "INSERT INTO dt_data (c901, z001) VALUES (44000000001, 12);"
            "INSERT INTO dt_data1 (c901, y001) VALUES (44000000001, 2.5);");
        messages.clear();
        opened.clear();
        Prompts().message = [this](const QString& text) { messages << text; };
        Prompts().openFile = [this](const QString& path) { opened << path; };
    }
    void cleanup() { Prompts() = {}; }

    void printsSavesAndOpensTheWorkbook() {
        TProgressBarForm progress;
        for (const bool first : {true, false}) {
            const QString path = PrintAnnualReport(nullptr, copy->Db(), copy->Folder(), 44000000001,
                                                   first, &progress, Documents());
            QVERIFY(messages.isEmpty());
            QCOMPARE(opened.size(), first ? 1 : 2);
            QCOMPARE(opened.last(), path);
            QCOMPARE(QFileInfo(path).absolutePath(), QDir(Documents()).absolutePath());
            QVERIFY(
                QRegularExpression(QStringLiteral("^2018打印表-44000000001-\\d{14}(-2)?\\.xlsx$"))
                    .match(QFileInfo(path).fileName())
                    .hasMatch());
            QCOMPARE(progress.Total(), 14);
            QCOMPARE(progress.Done(), 14);
            QVERIFY(!progress.isVisible());
            const auto back = tallwick::test::ReadWithOpenpyxl(path.toStdString());
            QCOMPARE(back.Cell("表1", "D5"), std::string("12"));
            QCOMPARE(back.Cell("附表2", "D6"), std::string("2.5"));
            QCOMPARE(back.activeSheet, first ? 0 : 13);
        }
        // Two prints within one second keep both workbooks.
        QCOMPARE(QDir(Documents()).entryList(QDir::Files).size(), 2);
    }

    void aMissingTemplateIsReportedAndNothingOpens() {
        fs::remove(copy->Folder() / print::kAnnualReportTemplateName);
        TProgressBarForm progress;
        const QString path = PrintAnnualReport(nullptr, copy->Db(), copy->Folder(), 44000000001,
                                               true, &progress, Documents());
        QVERIFY(path.isEmpty());
        QCOMPARE(messages,
                 QStringList{QStringLiteral(
                     "打开汇总模版文件时发生错误，可能是没有安装MS Office或wps Office中的Excel")});
        QVERIFY(opened.isEmpty());
        QVERIFY(!progress.isVisible());
        QVERIFY(QDir(Documents()).entryList(QDir::Files).isEmpty());
    }
};

QTEST_MAIN(PrintCommandTest)
#include "print_command_test.moc"
