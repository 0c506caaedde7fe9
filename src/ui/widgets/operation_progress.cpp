#include "widgets/operation_progress.h"

#include "common/user_error.h"
#include "query/export_messages.h"
#include "store/engine_error.h"
#include "widgets/message_box.h"
#include "widgets/progress_window.h"

#include <QApplication>

namespace tallwick::ui {

exchange::ExchangeProgress ProgressOf(TProgressBarForm* window, const QString& caption) {
    return [window, caption](std::uint64_t done, std::uint64_t total) {
        if (window) {
            if (done == 0)
                window->InitProgress(static_cast<int>(total), 0);
            else
                window->IncProgress();
            if (!caption.isEmpty()) {
                const std::uint64_t percent = total ? done * 100 / total : 100;
                window->setWindowTitle(caption + QString::number(percent) + QStringLiteral("%"));
            }
        }
        QApplication::processEvents();
    };
}

void RunReportingExport(QWidget* parent, TProgressBarForm* window,
                        const std::function<void()>& work) {
    try {
        work();
    } catch (const UserError& error) {
        if (window) window->hide();
        ShowMessage(QString::fromUtf8(error.what()), parent);
    } catch (const std::exception& error) {
        if (window) window->hide();
        ShowMessage(QString::fromStdString(query::RunErrorMessage(ErrorText(error))), parent);
    }
}

}  // namespace tallwick::ui
