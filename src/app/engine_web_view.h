#pragma once

#include "ui/web_view.h"

#include <memory>

namespace textowl {

// A web view on the browser engine: starts blank and loads what it is told. The engine is loaded
// with the first view; without it the view stays empty and no navigation starts.
class EngineWebView : public WebView {
    Q_OBJECT
public:
    explicit EngineWebView(QWidget* parent = nullptr);
    ~EngineWebView() override;
    bool navigate(const QUrl& address) override;
    QUrl address() const override;
    // The engine's own view (a QWebEngineView), or null when the engine could not be loaded.
    QWidget* engine() const { return m_engine; }
    // What every view asks pages in: the engine keeps one setting for the whole program. Taken
    // over when the engine loads, if it has not yet.
    static void setLanguages(const QStringList& languages);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The page's own native window, embedded in this view (see the constructor).
    std::unique_ptr<QWidget> m_pageWindow;
    QWidget* m_container = nullptr;
    QWidget* m_engine = nullptr;
};

class EngineWebViewFactory : public WebViewFactory {
public:
    WebView* create(QWidget* parent) override { return new EngineWebView(parent); }
    void setLanguages(const QStringList& languages) override {
        EngineWebView::setLanguages(languages);
    }
};

} // namespace textowl
