#pragma once

// The entry window as the main window opens it: over a fresh copy of the delivered database,
// with the record list it keys from. Entry-window tests derive from it and call OpenEntryWindow
// from their init slot and CloseEntryWindow from their cleanup slot.
#include "entry/entry_window.h"
#include "list/record_list_model.h"
#include "list/record_list_view.h"
#include "settings/registry.h"
#include "test_support.h"
#include "widgets/message_box.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class EntryWindowRig : public QObject {
  protected:
    // `prepare` changes the fresh copy before the window reads it (rules left out, records).
    void OpenEntryWindow(const std::function<void(SQLite::Database&)>& prepare = {}) {
        using namespace tallwick::ui;
        copy = std::make_unique<tallwick::test::DeliveredDatabaseCopy>();
        if (prepare) prepare(Db());
        registry = std::make_unique<Registry>(
            QString::fromStdString((copy->Folder() / "settings.ini").string()));
        model = std::make_unique<RecordListModel>([this]() -> SQLite::Database& { return Db(); });
        view = std::make_unique<RecordListView>(model.get());
        window =
            std::make_unique<EntryWindow>([this]() -> SQLite::Database& { return Db(); }, *registry,
                                          QStringLiteral(TALLWICK_BUILD_DIR "/bin"));
    }

    void CloseEntryWindow() {
        window.reset();
        view.reset();
        model.reset();
        tallwick::ui::Prompts() = {};
    }

    SQLite::Database& Db() { return copy->Db(); }

    std::unique_ptr<tallwick::test::DeliveredDatabaseCopy> copy;
    std::unique_ptr<tallwick::ui::Registry> registry;
    std::unique_ptr<tallwick::ui::RecordListModel> model;
    std::unique_ptr<tallwick::ui::RecordListView> view;
    std::unique_ptr<tallwick::ui::EntryWindow> window;
};
