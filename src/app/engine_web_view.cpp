#include "app/engine_web_view.h"

#include <QVBoxLayout>
#include <QWebEngineView>

namespace textowl {

EngineWebView::EngineWebView(QWidget* parent) : WebView(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_engine = new QWebEngineView(this);
    layout->addWidget(m_engine);
    m_engine->setUrl(QUrl(QStringLiteral("about:blank")));
}

bool EngineWebView::navigate(const QUrl& address) {
    // An address that does not parse cannot start loading; the engine shows its own errors for
    // the ones that fail later.
    if (!address.isValid() || address.isEmpty())
        return false;
    m_engine->setUrl(address);
    return true;
}

QUrl EngineWebView::address() const {
    return m_engine->url();
}

} // namespace textowl
