#include "app/key_event_filter.h"

#include <QKeyEvent>
#include <QMenuBar>
#include <QWidget>

namespace textowl {

KeyEventFilter::KeyEventFilter(QWidget* window, std::function<WindowState()> state,
                               std::function<void(int)> post, QObject* parent)
    : QObject(parent), m_window(window), m_state(std::move(state)), m_post(std::move(post)) {}

FilterKey KeyEventFilter::filterKeyFor(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Escape:
        return FilterKey::Escape;
    case Qt::Key_Delete:
        return FilterKey::Delete;
    case Qt::Key_C:
        return FilterKey::C;
    case Qt::Key_X:
        return FilterKey::X;
    case Qt::Key_P:
        return FilterKey::P;
    case Qt::Key_V:
        return FilterKey::V;
    default:
        return FilterKey::Other;
    }
}

bool KeyEventFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    // Dialogs run their own keyboard handling; only the main window's widgets are filtered.
    if (static_cast<QWidget*>(watched)->window() != m_window)
        return false;
    // While the menu bar is being worked with the keyboard its keys are its own: Esc there leaves
    // the menus, it must not hide the window.
    if (qobject_cast<QMenuBar*>(watched) != nullptr)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool ctrl = key->modifiers().testFlag(Qt::ControlModifier);
    const auto command = commandForKey(filterKeyFor(key->key()), ctrl, m_state());
    if (!command)
        return false;
    m_post(*command);
    return true;
}

} // namespace textowl
