#include "widgets/file_dialogs.h"

#include <QTest>

using namespace tallwick::ui;

class FileDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void extensionIsAppendedUnlessTheNameEndsInItExactly_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bare name") << "pkg"
                                   << "pkg.dat";
        QTest::newRow("has it") << "pkg.dat"
                                << "pkg.dat";
        QTest::newRow("other case") << "pkg.DAT"
                                    << "pkg.DAT.dat";
        QTest::newRow("only the extension") << ".dat"
                                            << ".dat.dat";
        QTest::newRow("path") << "/home/u/某某区总工会-2018-11-20(离线版)"
                              << "/home/u/某某区总工会-2018-11-20(离线版).dat";
    }
    void extensionIsAppendedUnlessTheNameEndsInItExactly() {
        QFETCH(QString, chosen);
        QFETCH(QString, expected);
        QCOMPARE(WithExtension(chosen, QStringLiteral(".dat")), expected);
    }
};

QTEST_GUILESS_MAIN(FileDialogsTest)
#include "file_dialogs_test.moc"
