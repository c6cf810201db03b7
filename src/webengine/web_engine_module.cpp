#include <QCoreApplication>
#include <QOpenGLContext>
#include <QQuickWindow>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

// Qt's own hook for the context every other one shares with; the application object makes it at
// start-up only when told to before it exists, which the program no longer does.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();

namespace {

// What the engine expects to find settled at start-up: its pages are composed through OpenGL, in
// contexts shared with the window's.
void prepareEngineOnce() {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::OpenGL);
    if (qt_gl_global_share_context() != nullptr)
        return;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    auto* shared = new QOpenGLContext(QCoreApplication::instance());
    shared->setFormat(QSurfaceFormat::defaultFormat());
    shared->create();
    qt_gl_set_global_share_context(shared);
}

void prepareEngine() {
    static const bool prepared = (prepareEngineOnce(), true);
    (void)prepared;
}

// Offers the navigations a page starts itself (a link followed, a form sent, a new window) to the
// program's view around the engine's, which may take them elsewhere instead.
class OfferingPage : public QWebEnginePage {
public:
    OfferingPage(QObject* owner, QObject* parent) : QWebEnginePage(parent), m_owner(owner) {
        connect(this, &QWebEnginePage::newWindowRequested, this,
                [this](QWebEngineNewWindowRequest& request) { offer(request.requestedUrl()); });
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        const bool startedByPage =
            type == NavigationTypeLinkClicked || type == NavigationTypeFormSubmitted;
        if (isMainFrame && startedByPage && offer(url))
            return false;
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }

private:
    bool offer(const QUrl& url) {
        bool taken = false;
        if (m_owner != nullptr)
            QMetaObject::invokeMethod(m_owner, "takeNavigation", Qt::DirectConnection,
                                      Q_RETURN_ARG(bool, taken), Q_ARG(QUrl, url));
        return taken;
    }

    QObject* m_owner;
};

} // namespace

// The one entry point the program looks up: a browser view showing the blank page, in `parent`,
// that offers its page's own navigations to `owner`. The program steers it through its "url"
// property, so it needs none of the engine's headers.
extern "C" Q_DECL_EXPORT QWidget* textowlCreateWebEngineView(QWidget* parent, QObject* owner) {
    prepareEngine();
    auto* view = new QWebEngineView(parent);
    view->setPage(new OfferingPage(owner, view));
    view->setUrl(QUrl(QStringLiteral("about:blank")));
    return view;
}

// The languages, best first and comma-separated, that every view's requests name in
// Accept-Language; the engine adds the weights.
extern "C" Q_DECL_EXPORT void textowlSetWebEngineLanguages(const QString& languages) {
    prepareEngine();
    QWebEngineProfile::defaultProfile()->setHttpAcceptLanguage(languages);
}
