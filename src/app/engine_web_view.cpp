#include "app/engine_web_view.h"

#include <QVBoxLayout>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace textowl {

namespace {

// Lets the view decide about the navigations the page starts on its own.
class KeepingPage : public QWebEnginePage {
public:
    KeepingPage(EngineWebView& view) : QWebEnginePage(&view), m_view(view) {
        connect(this, &QWebEnginePage::newWindowRequested, this,
                [this](QWebEngineNewWindowRequest& request) {
                    if (m_view.keepsPage())
                        emit m_view.navigationHandedOver(request.requestedUrl());
                });
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        const bool startedByPage =
            type == NavigationTypeLinkClicked || type == NavigationTypeFormSubmitted;
        if (isMainFrame && startedByPage && m_view.keepsPage()) {
            emit m_view.navigationHandedOver(url);
            return false;
        }
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }

private:
    EngineWebView& m_view;
};

} // namespace

EngineWebView::EngineWebView(QWidget* parent) : WebView(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_engine = new QWebEngineView(this);
    m_engine->setPage(new KeepingPage(*this));
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
