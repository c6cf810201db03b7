#pragma once

#include <QStringList>
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

    // A view that keeps its page loads only what it is told: a link followed or a form sent
    // inside it, or a new window it asks for, is handed over instead.
    void setKeepsPage(bool keeps) { m_keepsPage = keeps; }
    bool keepsPage() const { return m_keepsPage; }
    // Asked by the engine, which is loaded apart and knows the view only by this name, about a
    // navigation its page started: true when the view keeps its page and has handed it over.
    Q_INVOKABLE bool takeNavigation(const QUrl& address) {
        if (m_keepsPage)
            emit navigationHandedOver(address);
        return m_keepsPage;
    }

signals:
    void navigationHandedOver(const QUrl& address);

private:
    bool m_keepsPage = false;
};

// Makes the web views, so that offscreen tests can stand in for the browser engine.
class WebViewFactory {
public:
    virtual ~WebViewFactory() = default;
    virtual WebView* create(QWidget* parent) = 0;
    // The languages the views ask pages in (Accept-Language), best first, for the views made so
    // far and those to come.
    virtual void setLanguages(const QStringList& languages) = 0;
};

} // namespace textowl
