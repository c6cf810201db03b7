#pragma once

#include <QApplication>
#include <QCursor>

namespace textowl {

// Shows the wait cursor while the window waits for a service call; nested guards stack.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace textowl
