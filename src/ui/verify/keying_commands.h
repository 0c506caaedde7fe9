#pragma once

#include <SQLiteCpp/Database.h>

#include <filesystem>
#include <functional>

class QWidget;

namespace tallwick::ui {

// 比对两次录入: asks for the second keying's file, compares and shows the differences; the
// ticked answers are written as edits (比对录入). `changed` runs after values were taken.
void CompareTwoKeyings(QWidget* parent, SQLite::Database& db,
                       const std::filesystem::path& programFolder,
                       const std::function<void()>& changed);

// The rates of dependent verification in a window.
void ShowVerificationRates(QWidget* parent, SQLite::Database& db);

}  // namespace tallwick::ui
