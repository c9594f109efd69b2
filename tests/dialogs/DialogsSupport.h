#pragma once
// A program started in a scratch folder, and modal dialogs driven from inside their loop.
#include "app/Main.h"
#include "app/Program.h"
#include "catalogue/DataModule.h"
#include "platform/core/Cp1251.h"
#include "support/TestSupport.h"

#include <QDialog>
#include <QTimer>
#include <functional>

namespace dialogs_test {

// Runs `action` once `dialog` is shown modally by `open`, then makes sure it is closed.
inline void whileModal(QDialog* dialog, const std::function<void()>& open,
                       const std::function<void()>& action) {
    bool done = false;
    std::function<void()> poll;
    poll = [&] {
        if (dialog->isVisible()) {
            action();
            done = true;
            if (dialog->isVisible())
                dialog->reject();
            return;
        }
        QTimer::singleShot(5, poll);
    };
    QTimer::singleShot(0, poll);
    open();
    if (!done) // the dialog never came up
        testing_support::waitFor([&] { return done; }, 200);
}

} // namespace dialogs_test
