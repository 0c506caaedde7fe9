#include "exchange/exchange_commands.h"

#include "check/check_report.h"
#include "common/local_time.h"
#include "common/user_error.h"
#include "exchange/backup.h"
#include "exchange/blocked_records.h"
#include "exchange/conflict_resolution.h"
#include "exchange/conflict_view.h"
#include "exchange/data_import.h"
#include "exchange/exchange_error.h"
#include "exchange/exchange_messages.h"
#include "exchange/import_history_dialog.h"
#include "exchange/network_report.h"
#include "exchange/package_export.h"
#include "exchange/package_template.h"
#include "store/engine_error.h"
#include "store/program_folder.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"
#include "widgets/operation_progress.h"
#include "widgets/progress_window.h"
#include "widgets/running_operation.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

#include <chrono>
#include <ctime>

namespace tallwick::ui {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
std::filesystem::path Path(const QString& text) {
    return std::filesystem::path(text.toStdString());
}

// Runs `work`; a UserError shows its own text, anything else the exchange's error wording.
void Guarded(QWidget* parent, const std::function<void()>& work) {
    try {
        work();
    } catch (const UserError& error) {
        ShowMessage(QString::fromUtf8(error.what()), parent);
    } catch (const std::exception& error) {
        ShowMessage(QString::fromUtf8(exchange::RunTimeError(ErrorText(error)).what()), parent);
    }
}

// A refusal for records that may not leave says how many of each kind hold it up and offers
// to list exactly those; true when the export must not go on.
bool RefusedForBlockedRecords(const ExchangeContext& context, const char* refusal) {
    const auto blocked = exchange::FindBlockedRecords(*context.db);
    if (blocked.Empty()) return false;
    const QString text = QString::fromUtf8(refusal) + QStringLiteral("\n") +
                         Q(exchange::BlockedRecordsCounts(blocked)) +
                         QStringLiteral("\n是否列出这些数据？");
    if (AskYesNo(text, context.parent) && context.showRecords)
        context.showRecords(exchange::kBlockedRecordsCondition);
    return true;
}

}  // namespace

void ExportOfflinePackage(const ExchangeContext& context) {
    Guarded(context.parent, [&] {
        if (RefusedForBlockedRecords(context, exchange::messages::kExportBlocked)) return;
        exchange::CheckExportGate(*context.db);
        exchange::CheckExportedLimits(*context.db);
        QString provider = context.databaseLabel;
        for (;;) {
            bool accepted = false;
            provider = QInputDialog::getText(
                context.parent, QStringLiteral("设置数据库标识"),
                QStringLiteral("请输入提供数据的单位的名称，长度不要超过200个汉字"),
                QLineEdit::Normal, provider, &accepted);
            if (!accepted) return;
            const auto problem = exchange::ProviderNameProblem(provider.toStdString());
            if (!problem) break;
            ShowMessage(Q(*problem), context.parent);
        }
        const QString target = AskSaveFileName(
            context.parent, QStringLiteral("导出文件存放为"), QStringLiteral("数据加密文件(*.dat)"),
            Q(exchange::SuggestedPackageName(provider.toStdString(), CurrentLocalTime())),
            QStringLiteral(".dat"));
        if (target.isEmpty()) return;
        const RunningOperation running(context.progress);
        const auto result = exchange::ExportPackage(
            *context.db, exchange::PackageTemplatePath(context.programFolder), Path(target),
            provider.toStdString(), ProgressOf(context.progress));
        running.HideProgress();
        ShowMessage(Q(result.message), context.parent);
    });
}

void ExportNetworkReport(const ExchangeContext& context) {
    Guarded(context.parent, [&] {
        if (RefusedForBlockedRecords(context, exchange::kIncompleteDataMessage)) return;
        exchange::CheckNetworkReportGate(*context.db);
        const std::tm now = CurrentLocalTime();
        const std::chrono::year_month_day today{
            std::chrono::year(now.tm_year + 1900),
            std::chrono::month(static_cast<unsigned>(now.tm_mon + 1)),
            std::chrono::day(static_cast<unsigned>(now.tm_mday))};
        const QString chosen =
            AskSaveFileName(context.parent, QString::fromUtf8(exchange::kNetworkReportDialogTitle),
                            QString::fromUtf8(exchange::kNetworkReportFilter),
                            Q(exchange::SuggestedNetworkReportName(today)), QStringLiteral(".dat"));
        if (chosen.isEmpty()) return;
        TProgressBarForm* window = context.progress;
        const RunningOperation running(window);
        const auto result = exchange::ExportNetworkReport(
            *context.db, exchange::NetworkReportPathsFor(Path(chosen)),
            [window](std::uint64_t done, std::uint64_t total) {
                if (window) {
                    if (done == 0)
                        window->InitProgress(static_cast<int>(total), 0);
                    else
                        window->IncProgress();
                    const int percent = total ? static_cast<int>(done * 100 / total) : 100;
                    window->setWindowTitle(QString::fromUtf8(exchange::kNetworkReportCaption) +
                                           QString::number(percent) + QStringLiteral("%"));
                }
                QApplication::processEvents();
                return check::RunControl::Continue;
            });
        running.HideProgress();
        if (!result.stopped)
            ShowMessage(QString::fromUtf8(exchange::kNetworkReportDone), context.parent);
    });
}

void ImportDataFileCommand(const ExchangeContext& context) {
    Guarded(context.parent, [&] {
        const QString chosen =
            AskOpenFileName(context.parent, QStringLiteral("选择导入文件"),
                            QStringLiteral("数据加密文件(*.dat);;数据备份文件(*.mdb)"));
        if (chosen.trimmed().isEmpty()) return;
        const auto prepared =
            exchange::PrepareImport(*context.db, Path(chosen), context.programFolder);
        QMessageBox box(QMessageBox::Warning, QStringLiteral("提示："),
                        Q(prepared.ConfirmationQuestion()), QMessageBox::Yes | QMessageBox::No,
                        context.parent);
        box.setDefaultButton(QMessageBox::No);
        if (box.exec() != QMessageBox::Yes) return;
        std::optional<exchange::ImportResult> result;
        {
            const RunningOperation running(context.progress);
            result = exchange::TransferImport(*context.db, prepared, check::TemporaryFolder(),
                                              ProgressOf(context.progress));
        }
        // Codes already present (a re-submission): straight to settling them record by record.
        // Their report is written; it is shown only when the user leaves them unsettled.
        if (!result->imported && result->conflictReport) {
            if (!ResolveCollisionsAndImport(context, prepared))
                OpenFileInViewer(Q(result->conflictReport->string()), context.parent);
            return;
        }
        if (result->conflictReport)
            OpenFileInViewer(Q(result->conflictReport->string()), context.parent);
        ShowMessage(Q(result->message), context.parent);
    });
    if (context.refreshList) context.refreshList();
}

bool ResolveCollisionsAndImport(const ExchangeContext& context,
                                const exchange::PreparedImport& prepared) {
    auto collisions = exchange::ListCollisions(*context.db, prepared);
    if (collisions.empty()) return false;
    ConflictView view(
        std::move(collisions),
        [&](double code) { return exchange::DescribeDifferences(*context.db, prepared, code); },
        context.parent);
    if (view.exec() != QDialog::Accepted) return false;
    const auto decisions = view.Decisions();
    std::optional<exchange::ImportResult> result;
    {
        const RunningOperation running(context.progress);
        result =
            exchange::ImportWithDecisions(*context.db, prepared, decisions,
                                          check::TemporaryFolder(), ProgressOf(context.progress));
    }
    if (result->conflictReport)
        OpenFileInViewer(Q(result->conflictReport->string()), context.parent);
    ShowMessage(Q(result->message), context.parent);
    return true;
}

void ShowImportHistory(const ExchangeContext& context) {
    Guarded(context.parent, [&] {
        ImportHistoryDialog dialog(*context.db, context.parent);
        dialog.exec();
    });
}

void BackupDatabaseCommand(const ExchangeContext& context) {
    Guarded(context.parent, [&] {
        const QString target =
            AskSaveFileName(context.parent, QStringLiteral("备份文件存放为"),
                            QStringLiteral("Access文件(*.mdb)"), QString(), QStringLiteral(".mdb"));
        if (target.isEmpty()) return;
        QString done;
        {
            const RunningOperation running(context.progress);
            done = Q(
                exchange::BackupDatabase(*context.db, Path(target), ProgressOf(context.progress)));
        }
        ShowMessage(done, context.parent);
    });
    if (context.refreshList) context.refreshList();
}

}  // namespace tallwick::ui
