#include "verify/keying_commands.h"

#include "verify/keying_comparison_view.h"
#include "verify/verification_rates_dialog.h"
#include "verify/verify_operations.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"
#include "widgets/running_operation.h"

namespace tallwick::ui {

void CompareTwoKeyings(QWidget* parent, SQLite::Database& db,
                       const std::filesystem::path& programFolder,
                       const std::function<void()>& changed) {
    const QString chosen =
        AskOpenFileName(parent, QStringLiteral("选择第二次录入的数据文件"),
                        QStringLiteral("数据加密文件(*.dat);;数据备份文件(*.mdb)"));
    if (chosen.trimmed().isEmpty()) return;
    try {
        const RunningOperation running;
        KeyingComparisonView view(
            verify::CompareKeyings(db, std::filesystem::path(chosen.toStdString()), programFolder),
            parent);
        if (view.exec() != QDialog::Accepted) return;
        const auto taken = view.Taken();
        if (taken.empty()) return;
        verify::WriteTakenValues(db, taken, verify::kComparedEntry);
        if (changed) changed();
        ShowMessage(QStringLiteral("已采用第二次录入的%1个答案。").arg(taken.size()), parent);
    } catch (const std::exception& error) {
        ShowMessage(QString::fromUtf8(error.what()), parent);
    }
}

void ShowVerificationRates(QWidget* parent, SQLite::Database& db) {
    try {
        VerificationRatesDialog dialog(verify::ReadVerificationRates(db), parent);
        dialog.exec();
    } catch (const std::exception& error) {
        ShowMessage(QString::fromUtf8(error.what()), parent);
    }
}

}  // namespace tallwick::ui
