#pragma once
// Runs an event handler so that no failure leaves it: whatever it throws ends in the
// application-wide error box, and the event loop goes on.
#include "platform/Shell.h"

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

// Runs a command that goes to the network: whatever fails inside it, the user sees the one
// fixed message and the command ends. Returns whether it ran to its end.
template <class F> bool networkCommand(F&& command, const QString& failureMessage) {
    try {
        std::forward<F>(command)();
        return true;
    } catch (...) {
        messageBox(failureMessage);
        return false;
    }
}

// Wraps a handler for connecting to a signal.
template <class F> auto guard(F handler) {
    return [handler = std::move(handler)]() { guarded(handler); };
}

} // namespace platform
