#pragma once
// The common frame of the program's dialogs: a caption, a fixed client area, the sky-blue
// background, hidden until shown modally and centred on the main window.
#include <QDialog>

namespace platform {

void setUpFixedDialog(QDialog* dialog, const QString& caption, const QSize& clientSize);
// Shows the dialog modally, centred on its owner (or the screen); returns its result.
int showModalCentred(QDialog* dialog, QWidget* owner);

} // namespace platform
