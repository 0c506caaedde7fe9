#pragma once

#include "exchange/exchange_progress.h"

#include <QString>

namespace tallwick::ui {

class TProgressBarForm;

// Drives the shared progress window from a core operation and keeps the windows painted. With a
// caption, the window's title shows it followed by the percentage done ("数据导出...42%").
exchange::ExchangeProgress ProgressOf(TProgressBarForm* window, const QString& caption = {});

}  // namespace tallwick::ui
