#include "main_window.h"

#include "store/record_counts.h"

#include <QDate>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>

namespace tallwick::ui {

MainWindow::MainWindow(StartupResult startup, QWidget* parent)
    : QMainWindow(parent), state_(std::move(startup)) {
    setWindowTitle(QStringLiteral("Tallwick - ") + state_.databaseLabel);

    auto* version = new QLabel(StatusVersionText());
    auto* clock = new QLabel(QDate::currentDate().toString(QStringLiteral("yyyy年MM月dd日")));
    clock->setFixedWidth(104);
    clock->setAlignment(Qt::AlignCenter);
    statusBar()->addWidget(version, 1);
    statusBar()->addPermanentWidget(clock);

    // Until the record list exists, the list area says what the working database holds.
    const RecordCounts counts = CountRecords(state_.connection.Db());
    listArea_ = new QLabel(
        QStringLiteral("%1\n记录数：%2")
            .arg(QString::fromStdString(state_.connection.CurrentDatabasePath().string()))
            .arg(counts.total));
    listArea_->setAlignment(Qt::AlignCenter);
    listArea_->setVisible(state_.showGrid);
    setCentralWidget(listArea_);
}

}  // namespace tallwick::ui
