#pragma once
// Runs an event handler so that no failure leaves it: whatever it throws ends in the
// application-wide error box, and the event loop goes on.
#include "platform/Shell.h"

#include <QGuiApplication>
#include <exception>
#include <utility>

namespace platform {

template <class F> void guarded(F&& handler) {
    try {
        std::forward<F>(handler)();
    } catch (const std::exception& e) {
        showException(e);
    } catch (...) {
        showUnknownException();
    }
}

// The one message of every command that goes to the network and fails.
inline QString connectionFailureMessage() {
    return QStringLiteral("Произошла ошибка подключения!");
}

// Runs a command that goes to the network: whatever fails inside it, the user sees the one
// fixed message and the command ends. Returns whether it ran to its end.
template <class F> bool networkCommand(F&& command) {
    try {
        std::forward<F>(command)();
        return true;
    } catch (...) {
        messageBox(connectionFailureMessage());
        return false;
    }
}

// The busy cursor while a command waits for the network.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Wraps a handler for connecting to a signal.
template <class F> auto guard(F handler) {
    return [handler = std::move(handler)]() { guarded(handler); };
}

} // namespace platform
