#include "app/engine_web_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QFocusEvent>
#include <QLibrary>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <QWindow>
#include <optional>

namespace textowl {

namespace {

using CreateView = QWidget* (*)(QWidget*, QObject*);
using SetLanguages = void (*)(const QString&);

struct EngineModule {
    CreateView create = nullptr;
    SetLanguages setLanguages = nullptr;
};

// One renderer for all the service's pages (tabs and footer come from one site) instead of one
// each; flags of the user's own replace this.
void chooseEngineFlags() {
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--renderer-process-limit=1");
}

// Beside the program, where an install puts it, or where this build made it.
EngineModule loadEngine() {
    chooseEngineFlags();
    const QDir programDir(QCoreApplication::applicationDirPath());
    for (const QString& path :
         {programDir.filePath(QStringLiteral("textowl_webengine")),
          programDir.filePath(QStringLiteral(TEXTOWL_ENGINE_MODULE_FROM_BINDIR)),
          QStringLiteral(TEXTOWL_ENGINE_MODULE_BUILT)}) {
        QLibrary module(path);
        if (auto create =
                reinterpret_cast<CreateView>(module.resolve("textowlCreateWebEngineView")))
            return {create,
                    reinterpret_cast<SetLanguages>(module.resolve("textowlSetWebEngineLanguages"))};
    }
    return {};
}

// The engine is loaded with the first view; the languages chosen before then wait for it.
struct EngineState {
    std::optional<EngineModule> module;
    QString languages;
};

EngineState& engineState() {
    static EngineState state;
    return state;
}

CreateView engineEntry() {
    EngineState& state = engineState();
    if (!state.module) {
        state.module = loadEngine();
        if (state.module->setLanguages != nullptr && !state.languages.isEmpty())
            state.module->setLanguages(state.languages);
    }
    return state.module->create;
}

} // namespace

EngineWebView::EngineWebView(QWidget* parent) : WebView(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const CreateView create = engineEntry();
    if (create == nullptr)
        return;
    // The engine composes its pages through OpenGL, and a window that gains such a page is made
    // again as an OpenGL window, with a new native window id. Made for the page alone, with the
    // page already in it, the page's own window is an OpenGL one from the start; embedded, it
    // leaves the window around it as it was.
    m_pageWindow = std::make_unique<QWidget>();
    // Its size is the container's: shown for the first time, it must not take its own.
    m_pageWindow->setAttribute(Qt::WA_Resized);
    auto* pageLayout = new QVBoxLayout(m_pageWindow.get());
    pageLayout->setContentsMargins(0, 0, 0, 0);
    m_engine = create(m_pageWindow.get(), this);
    pageLayout->addWidget(m_engine);
    m_pageWindow->winId();
    // Shown and hidden with the container from now on.
    m_container = QWidget::createWindowContainer(m_pageWindow->windowHandle(), this);
    layout->addWidget(m_container);
    // The toolkit gives an embedded window no keyboard focus of its own: the container takes the
    // focus when the page is clicked and hands the page its keys.
    m_container->setFocusPolicy(Qt::StrongFocus);
    m_container->installEventFilter(this);
    m_pageWindow->windowHandle()->installEventFilter(this);
}

bool EngineWebView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_container) {
        if (event->type() == QEvent::MouseButtonPress)
            m_container->setFocus(Qt::MouseFocusReason);
        return false;
    }
    QWidget* page = m_engine->focusProxy() != nullptr ? m_engine->focusProxy() : m_engine;
    switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        QFocusEvent focus(event->type(), static_cast<QFocusEvent*>(event)->reason());
        QCoreApplication::sendEvent(page, &focus);
        return false;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::InputMethodQuery:
        return QCoreApplication::sendEvent(page, event);
    default:
        return false;
    }
}

void EngineWebView::showEvent(QShowEvent* event) {
    WebView::showEvent(event);
    // A container laid out while hidden places the page's window only at its next resize; the
    // page would keep the size it was made with.
    if (m_container != nullptr) {
        QResizeEvent resize(m_container->size(), m_container->size());
        QCoreApplication::sendEvent(m_container, &resize);
    }
}

void EngineWebView::setLanguages(const QStringList& languages) {
    EngineState& state = engineState();
    state.languages = languages.join(QLatin1Char(','));
    if (state.module && state.module->setLanguages != nullptr)
        state.module->setLanguages(state.languages);
}

EngineWebView::~EngineWebView() {
    // Before the container that embeds its window: the page's window goes with its widget.
    m_pageWindow.reset();
}

bool EngineWebView::navigate(const QUrl& address) {
    // An address that does not parse cannot start loading; the engine shows its own errors for
    // the ones that fail later.
    if (m_engine == nullptr || !address.isValid() || address.isEmpty())
        return false;
    m_engine->setProperty("url", address);
    return true;
}

QUrl EngineWebView::address() const {
    return m_engine != nullptr ? m_engine->property("url").toUrl() : QUrl();
}

} // namespace textowl
