#include "shell/about_dialog.h"
#include "shell/guarded_application.h"
#include "shell/journal_recovery.h"
#include "shell/main_window.h"
#include "shell/qt_translations.h"
#include "shell/wheel_to_keys.h"
#include "widgets/error_display.h"
#include "widgets/message_box.h"
#include "widgets/program_icon.h"

#include "check/check_report.h"
#include "common/file_io.h"
#include "store/connection.h"
#include "store/data_folder_lock.h"
#include "store/program_folder.h"
#include "store/safety_copy.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Answered before QApplication exists, which would need a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tallwick %s\n", TALLWICK_VERSION);
            return 0;
        }
    }
    tallwick::ui::GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallwick"));
    QApplication::setApplicationVersion(QStringLiteral(TALLWICK_VERSION));
    QApplication::setWindowIcon(tallwick::ui::ProgramIcon());
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("tallwick"));
    tallwick::ui::InstallQtTranslations(app);
    // Name a Chinese face explicitly: left to itself, Qt may pick Japanese glyph forms.
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei")});
    QApplication::setFont(font);

    tallwick::ui::WheelToKeys wheelToKeys;
    app.installEventFilter(&wheelToKeys);

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("Folder of the working database (default: the program's folder when it "
                       "holds one that may be written, else ~/.local/share/Tallwick)."),
        QStringLiteral("DIR"));
    parser.addOption(dataDir);
    parser.process(app);

    std::optional<std::filesystem::path> requested;
    if (parser.isSet(dataDir)) requested = parser.value(dataDir).toStdString();

    tallwick::ui::Registry registry;
    try {
        const auto folder = tallwick::ResolveProgramFolder(requested);
        app.SetWorkingDatabase(folder / tallwick::kDatabaseFileName);
        // The window may change the working database at any moment and keeps it open, so it
        // holds the data folder for as long as it runs.
        const auto lock = tallwick::DataFolderLock::Acquire(folder);
        tallwick::RemoveStaleTempFiles(folder);
        tallwick::RemoveStaleTempFiles(tallwick::SafetyCopyFolder(folder));
        tallwick::RemoveStaleTempFiles(tallwick::check::TemporaryFolder());
        tallwick::RemoveStaleTempFilesOfListedFolders(folder);
        tallwick::ListTempFoldersIn(folder);
        auto startup = tallwick::ui::RunStartup(
            registry, folder, [](const QString& text) { tallwick::ui::ShowMessage(text); });
        tallwick::ui::MainWindow window(std::move(startup), registry);
        tallwick::ui::AboutDialog splash(true, window.MarkAllCleanCallback());
        splash.exec();
        // Without a window manager "maximised" means nothing; start at the screen's size anyway.
        window.resize(QApplication::primaryScreen()->availableSize());
        window.showMaximized();
        // Once the window stands: edits that an abnormal end left unsaved are offered back.
        QTimer::singleShot(0, &window, [&window] {
            tallwick::ui::OfferJournalRecovery(window);
            window.StartWholeFileCheck();
        });
        return QApplication::exec();
    } catch (const std::exception& error) {
        // A UserError, or a file error while the user's data folder was being seeded.
        tallwick::ui::ShowMessage(tallwick::ui::UncaughtErrorText(error));
        return 1;
    }
}
