#pragma once

#include <QString>

#include <exception>
#include <filesystem>
#include <functional>

class QWidget;

namespace tallwick::ui {

// What the user reads of an error no operation caught: a UserError's own text, any other error
// as "运行中发生错误：" and the error's text, the engine's and the file system's said in the
// system's language (an engine failure taken as one of the working database).
QString UncaughtErrorText(const std::exception& error,
                          const std::filesystem::path& workingDatabase = {});

// Runs an action; an error that escapes it is shown and the program goes on. Use it where the
// caller must know the action failed (the result is false) or must tidy up after it.
bool ReportErrors(const std::function<void()>& action, QWidget* parent = nullptr,
                  const std::filesystem::path& workingDatabase = {});

}  // namespace tallwick::ui
