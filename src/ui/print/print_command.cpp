#include "print/print_command.h"

#include "settings/settings.h"
#include "widgets/error_display.h"
#include "widgets/message_box.h"
#include "widgets/operation_progress.h"
#include "widgets/progress_window.h"

#include "entry/record_io.h"
#include "print/annual_report.h"
#include "store/program_folder.h"
#include "widgets/running_operation.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <exception>

namespace tallwick::ui {
namespace {

// A name of its own for every print, so that a workbook still open in a viewer is never replaced.
QString NewReportPath(const QString& folder, double code) {
    const QString stem = QStringLiteral("2018打印表-") +
                         QString::fromStdString(entry::CodeText(code)) + QStringLiteral("-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    QString path = QDir(folder).filePath(stem + QStringLiteral(".xlsx"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(stem + QStringLiteral("-%1.xlsx").arg(n));
    return path;
}

}  // namespace

QString PrintAnnualReport(QWidget* parent, SQLite::Database& db,
                          const std::filesystem::path& programFolder, double code,
                          bool activateFirstSheet, TProgressBarForm* progress,
                          const QString& outputFolder) {
    const QString folder = outputFolder.isEmpty() ? DocumentsFolder() : outputFolder;
    QDir().mkpath(folder);
    const QString path = NewReportPath(folder, code);
    const RunningOperation running(progress);
    try {
        print::WriteAnnualReport(
            db, DeliveredFile(programFolder, print::kAnnualReportTemplateName), code,
            path.toStdString(),
            activateFirstSheet ? print::FinalSheet::First : print::FinalSheet::LastFilled,
            [step = ProgressOf(progress)](int done, int total) {
                step(static_cast<std::uint64_t>(done), static_cast<std::uint64_t>(total));
            });
    } catch (const std::exception& error) {
        running.HideProgress();
        ShowMessage(UncaughtErrorText(error), parent);
        return {};
    }
    running.HideProgress();
    OpenFileInViewer(path, parent);
    return path;
}

}  // namespace tallwick::ui
