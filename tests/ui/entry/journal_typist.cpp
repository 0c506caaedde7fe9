// Types into the entry window over the data folder given as its argument, says "journaled" on
// stdout once the journal holds every edit, and goes on running until it is killed: the journal
// test kills it with SIGKILL, as a crash would end the program.
#include "journal_typing.h"

#include "list/record_list_model.h"
#include "settings/registry.h"
#include "store/connection.h"
#include "store/database.h"
#include "widgets/message_box.h"

#include <QApplication>

#include <cstdio>
#include <iostream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: journal_typist DATA_FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    using namespace tallwick;
    auto db = OpenExistingSqlite(folder / kDatabaseFileName);
    ui::Registry registry(QString::fromStdString((folder / "settings.ini").string()));
    ui::Prompts().message = [](const QString& text) { std::cerr << text.toStdString() << '\n'; };
    ui::RecordListModel model([&]() -> SQLite::Database& { return *db; });
    ui::RecordListView list(&model);
    ui::EntryWindow window([&]() -> SQLite::Database& { return *db; }, registry,
                           QStringLiteral(TALLWICK_BUILD_DIR "/bin"));
    if (const std::string failed = test::TypeWithoutSaving(window, list, folder); !failed.empty()) {
        std::cerr << failed << '\n';
        return 1;
    }
    std::cout << "journaled" << std::endl;
    return QApplication::exec();
}
