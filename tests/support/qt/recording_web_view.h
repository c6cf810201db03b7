#pragma once

#include "ui/web_view.h"

#include <QList>
#include <QPointer>
#include <QUrl>
#include <memory>

namespace textowl::testing {

// Stands in for the browser engine: remembers every address it was sent to.
class RecordingWebView : public WebView {
    Q_OBJECT
public:
    using WebView::WebView;
    bool navigate(const QUrl& address) override;
    QUrl address() const override { return visited.isEmpty() ? QUrl() : visited.last(); }

    QList<QUrl> visited;
    // Set to refuse every navigation, as an engine that cannot start one would.
    bool refuse = false;
};

class RecordingWebViewFactory : public WebViewFactory {
public:
    WebView* create(QWidget* parent) override;
    void setLanguages(const QStringList& chosen) override { languages = chosen; }
    // Every view made so far, oldest first; deleted ones read as null.
    QList<QPointer<RecordingWebView>> made;
    bool refuseNavigation = false;
    QStringList languages;
};

} // namespace textowl::testing
