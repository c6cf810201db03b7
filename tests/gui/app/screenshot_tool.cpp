// Saves pictures of the main window for review: textowl_screenshot OUTPUT_DIR [LANGUAGE].
#include "app/main_window.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(out);
    const QString suffix =
        argc > 2 ? QStringLiteral("_") + QString::fromLocal8Bit(argv[2]) : QString();
    if (argc > 2)
        textowl::StringCatalogue::setCurrentLanguageName(argv[2]);
    textowl::MainWindow::Options options;
    options.trayAvailable = true;
    textowl::MainWindow window(std::move(options));
    window.show();
    QTimer::singleShot(300, &window, [&] {
        window.grab().save(out + QStringLiteral("/signed_out") + suffix + QStringLiteral(".png"));
        textowl::WindowState state;
        state.signingIn = true;
        window.signInButton()->hide();
        window.registerButton()->hide();
        window.setCommandState(state);
        QTimer::singleShot(100, &window, [&] {
            window.grab().save(out + QStringLiteral("/signing_in") + suffix +
                               QStringLiteral(".png"));
            QApplication::quit();
        });
    });
    return QApplication::exec();
}
