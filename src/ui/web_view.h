#pragma once

#include <QUrl>
#include <QWidget>
#include <memory>

namespace textowl {

// A page of the service shown inside the window. The program only ever creates one, showing a
// blank page, and navigates it.
class WebView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    // False when the navigation could not even start.
    virtual bool navigate(const QUrl& address) = 0;
    virtual QUrl address() const = 0;
};

// Makes the web views, so that offscreen tests can stand in for the browser engine.
class WebViewFactory {
public:
    virtual ~WebViewFactory() = default;
    virtual WebView* create(QWidget* parent) = 0;
};

} // namespace textowl
