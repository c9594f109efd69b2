#pragma once
// The common frame of the program's dialogs: a caption, a fixed client area, the sky-blue
// background, hidden until shown modally and centred on the main window.
#include <QDialog>
#include <functional>

class QAbstractButton;

namespace platform {

// The look every window of the program shares: sky-blue background, 8-point form font.
QColor formBackground();
QFont formFont();
// Gives a window the shared background and font.
void applyFormLook(QWidget* window);

// Gives each one-line label and check box of a window at least the size its text takes in
// the face at hand, growing to the right; one that would then pass the window's right edge
// moves left instead. A word-wrapped label grows down to the height of its lines. Where the
// text fits, the laid-out geometry stays as it is.
void fitTextControls(QWidget* window);

// Names each control of a window for screen readers, where it has no name yet: a button or
// check box by its caption (without access-key marks and padding blanks), a control on a tab
// page by the page's caption. An edit is named by the label whose buddy it is.
void nameControls(QWidget* window);

// Border kinds: a fixed border with the system menu and minimise box, with the system menu
// only, or with neither (no close box either).
enum class Border { MenuAndMinimise, MenuOnly, Bare };

// Sets up a dialog made from its layout, once the texts of its controls are set: the frame,
// the look, its texts fitted and its controls named.
void setUpFixedDialog(QDialog* dialog, const QString& caption, const QSize& clientSize,
                      Border border = Border::MenuOnly);
// Wires a dialog's two closing buttons: the OK kind runs `handler` (its failure ends in the
// error box) and closes the dialog whatever happened; the Cancel kind just closes it.
void connectCloseButtons(QDialog* dialog, QAbstractButton* ok, QAbstractButton* cancel,
                         std::function<void()> handler);

// Shows the dialog modally, centred on its owner (or the screen); returns its result.
int showModalCentred(QDialog* dialog, QWidget* owner);

} // namespace platform
