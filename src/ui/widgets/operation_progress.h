#pragma once

#include "exchange/exchange_progress.h"

#include <QString>

#include <functional>

class QWidget;

namespace tallwick::ui {

class TProgressBarForm;

// Drives the shared progress window from a core operation and keeps the windows painted. With a
// caption, the window's title shows it followed by the percentage done ("数据导出...42%").
exchange::ExchangeProgress ProgressOf(TProgressBarForm* window, const QString& caption = {});

// Runs an export; on a failure hides the progress window and shows the message: a UserError's
// own text, any other error as "运行中发生错误：…".
void RunReportingExport(QWidget* parent, TProgressBarForm* window,
                        const std::function<void()>& work);

}  // namespace tallwick::ui
