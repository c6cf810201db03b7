#pragma once

#include "app/key_filter.h"

#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

namespace textowl {

// Sees key presses meant for any widget of the main window before the focused control does, and
// turns the shortcut keys into commands; every other key goes on unchanged.
class KeyEventFilter : public QObject {
    Q_OBJECT
public:
    KeyEventFilter(QWidget* window, std::function<WindowState()> state,
                   std::function<void(int)> post, QObject* parent = nullptr);

    static FilterKey filterKeyFor(int qtKey);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    std::function<WindowState()> m_state;
    std::function<void(int)> m_post;
};

} // namespace textowl
