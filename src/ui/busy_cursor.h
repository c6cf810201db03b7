#pragma once

#include <QApplication>
#include <QCursor>

namespace textowl {

// Shows the wait cursor while a service call blocks the window; nested guards stack.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace textowl
