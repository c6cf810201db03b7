#pragma once

#include "ui/web_view.h"

class QWebEngineView;

namespace textowl {

// A web view on the browser engine: starts blank and loads what it is told.
class EngineWebView : public WebView {
    Q_OBJECT
public:
    explicit EngineWebView(QWidget* parent = nullptr);
    bool navigate(const QUrl& address) override;
    QUrl address() const override;
    QWebEngineView* engine() const { return m_engine; }

private:
    QWebEngineView* m_engine = nullptr;
};

class EngineWebViewFactory : public WebViewFactory {
public:
    WebView* create(QWidget* parent) override { return new EngineWebView(parent); }
};

} // namespace textowl
