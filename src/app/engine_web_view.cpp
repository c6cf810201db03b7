#include "app/engine_web_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QVBoxLayout>

namespace textowl {

namespace {

using CreateView = QWidget* (*)(QWidget*);

// One renderer for all the service's pages (tabs and footer come from one site) instead of one
// each; flags of the user's own replace this.
void chooseEngineFlags() {
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--renderer-process-limit=1");
}

// Beside the program, where an install puts it, or where this build made it.
CreateView loadEngine() {
    chooseEngineFlags();
    const QDir programDir(QCoreApplication::applicationDirPath());
    for (const QString& path :
         {programDir.filePath(QStringLiteral("textowl_webengine")),
          programDir.filePath(QStringLiteral(TEXTOWL_ENGINE_MODULE_FROM_BINDIR)),
          QStringLiteral(TEXTOWL_ENGINE_MODULE_BUILT)}) {
        QLibrary module(path);
        if (auto create =
                reinterpret_cast<CreateView>(module.resolve("textowlCreateWebEngineView")))
            return create;
    }
    return nullptr;
}

CreateView engineEntry() {
    static const CreateView create = loadEngine();
    return create;
}

} // namespace

EngineWebView::EngineWebView(QWidget* parent) : WebView(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (const CreateView create = engineEntry()) {
        m_engine = create(this);
        layout->addWidget(m_engine);
    }
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
