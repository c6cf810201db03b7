#include "app/command_line.h"
#include "app/data_files.h"
#include "app/main_window.h"
#include "app/string_catalogue.h"

#include <QApplication>
#include <QFile>
#include <new>

int main(int argc, char* argv[]) {
    using namespace textowl;
    // The language option is read before anything looks at texts.
    const std::optional<std::string> language = languageFromCommandLine(joinArguments(argc, argv));
    if (language)
        StringCatalogue::setCurrentLanguageName(*language);

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Varnel"));
    QApplication::setApplicationName(QStringLiteral("Textowl"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("textowl"));
    // Started from a desktop menu the current directory is rarely the one with the texts.
    StringCatalogue::setDocumentPath(
        QFile::encodeName(dataFilePath(QStringLiteral("strings.xml"))).toStdString());
    if (language) {
        // Before the shared catalogue exists, so that its application name follows the option.
        const StringCatalogue languages(StringCatalogue::documentPath(), "");
        if (auto name = languageForOption(*language, languages.languages()))
            StringCatalogue::setCurrentLanguageName(*name);
    }
    // The window hides instead of closing; only the Exit command ends the loop.
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<MainWindow> window;
    try {
        window = std::make_unique<MainWindow>();
    } catch (const std::bad_alloc&) {
        return 0;
    }
    window->show();
    return QApplication::exec();
}
