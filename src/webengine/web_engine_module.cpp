#include <QCoreApplication>
#include <QOpenGLContext>
#include <QQuickWindow>
#include <QWebEngineView>

// Qt's own hook for the context every other one shares with; the application object makes it at
// start-up only when told to before it exists, which the program no longer does.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();

namespace {

// What the engine expects to find settled at start-up: its pages are composed through OpenGL, in
// contexts shared with the window's.
void prepareEngine() {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::OpenGL);
    if (qt_gl_global_share_context() != nullptr)
        return;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    auto* shared = new QOpenGLContext(QCoreApplication::instance());
    shared->setFormat(QSurfaceFormat::defaultFormat());
    shared->create();
    qt_gl_set_global_share_context(shared);
}

} // namespace

// The one entry point the program looks up: a browser view showing the blank page. The program
// steers it through its "url" property, so it needs none of the engine's headers.
extern "C" Q_DECL_EXPORT QWidget* textowlCreateWebEngineView(QWidget* parent) {
    static const bool prepared = (prepareEngine(), true);
    (void)prepared;
    auto* view = new QWebEngineView(parent);
    view->setUrl(QUrl(QStringLiteral("about:blank")));
    return view;
}
