#include "app/command_line.h"
#include "app/command_router.h"
#include "app/composition.h"
#include "app/data_files.h"
#include "app/single_instance.h"
#include "base/command_ids.h"
#include "texts/string_catalogue.h"

#include <QApplication>
#include <QFile>
#include <algorithm>
#include <new>

namespace {

// A later start of the program: the running window comes to the front, in the language that
// start asked for.
void takeOverStart(textowl::MainWindow& window, textowl::CommandRouter& router,
                   const QString& commandLine) {
    using namespace textowl;
    if (const auto option = languageFromCommandLine(commandLine.toStdString())) {
        const std::vector<std::string>& languages = window.catalogue().languages();
        if (const auto name = languageForOption(*option, languages)) {
            const auto index = std::find(languages.begin(), languages.end(), *name);
            router.runCommand(kCmdLanguageFirst + static_cast<int>(index - languages.begin()));
        }
    }
    router.runCommand(kCmdRestore);
    window.raise();
    window.activateWindow();
}

} // namespace

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
    SingleInstance instance;
    if (!instance.claim(QString::fromStdString(joinArguments(argc, argv))))
        return 0;

    Application application;
    try {
        application = composeApplication();
    } catch (const std::bad_alloc&) {
        return 0;
    }
    MainWindow& window = *application.window;
    CommandRouter& router = *application.router;
    QObject::connect(&instance, &SingleInstance::startedAgain, &window,
                     [&window, &router](const QString& commandLine) {
                         takeOverStart(window, router, commandLine);
                     });
    window.show();
    return QApplication::exec();
}
