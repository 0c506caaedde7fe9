#include "exchange/damaged_database_offer.h"

#include "exchange/restore.h"
#include "store/connection.h"
#include "store/program_folder.h"
#include "store/safety_copy.h"
#include "widgets/file_dialogs.h"
#include "widgets/message_box.h"

namespace tallwick::ui {
namespace fs = std::filesystem;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::optional<SafetyCopy> NewestSafetyCopy(const fs::path& working) {
    try {
        auto copies = ListSafetyCopies(working.parent_path());
        if (!copies.empty()) return std::move(copies.front());
    } catch (const std::exception&) {
        // An unreadable backups folder offers nothing; a backup file may still be chosen.
    }
    return std::nullopt;
}

std::string Restore(const fs::path& working, const fs::path& file,
                    const std::function<void()>& beforeRestore) {
    if (beforeRestore) beforeRestore();
    return exchange::RestoreOverDamaged(working, file, DeliveredFolder() / kDatabaseFileName)
        .message;
}

}  // namespace

QString DamagedDatabaseText(const fs::path& working, const std::string& finding) {
    if (!fs::exists(fs::symlink_status(working)))
        return QStringLiteral("没有找到数据库文件“%1”。").arg(Q(working.string()));
    QString text = QStringLiteral("数据库文件“%1”已经损坏").arg(Q(working.string()));
    if (!finding.empty()) text += QStringLiteral("（完整性检查没有通过：%1）").arg(Q(finding));
    return text + QStringLiteral("。");
}

std::optional<std::string> OfferWayBack(const fs::path& working, const QString& whatHappened,
                                        const std::function<void()>& beforeRestore,
                                        QWidget* parent) {
    const QString keptAside = fs::exists(fs::symlink_status(working))
                                  ? QStringLiteral("损坏的文件会保留在数据库旁边。")
                                  : QString();
    if (const auto newest = NewestSafetyCopy(working)) {
        const QString records =
            newest->records ? QString::number(*newest->records) : QStringLiteral("无法读取的");
        if (ConfirmWarning(
                whatHappened +
                    QStringLiteral("\n\n是否用最新的安全备份恢复数据库？\n　　%1（%2之前，"
                                   "%3条记录）\n")
                        .arg(Q(newest->time), Q(newest->operation), records) +
                    keptAside,
                parent))
            return Restore(working, newest->path, beforeRestore);
    }
    if (!AskYesNo(
            whatHappened + QStringLiteral("\n\n是否选择一个备份文件来恢复数据库？") + keptAside,
            parent))
        return std::nullopt;
    const QString chosen = AskOpenFileName(parent, QStringLiteral("选择备份文件"),
                                           QStringLiteral("数据备份文件(*.mdb);;所有文件(*)"));
    if (chosen.trimmed().isEmpty()) return std::nullopt;
    return Restore(working, chosen.toStdString(), beforeRestore);
}

}  // namespace tallwick::ui
