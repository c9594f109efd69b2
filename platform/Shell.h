#pragma once
// Stand-ins for the operating system's services: opening a document or address with its
// default program, starting a detached process, the message box and the error box.
// Nothing else in the program shows a modal box or leaves the process; tests install an
// interceptor here to observe all of it without blocking.
#include <QString>
#include <exception>

class QWidget;

namespace platform {

// Show commands, with the values the shell gives them.
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

struct ShellRequest {
    QWidget* owner = nullptr; // nullptr: no owner window
    QString verb;             // empty: the file type's default action
    QString file;             // a file path or an address
    int showCommand = SW_SHOW;
};

class Interceptor {
public:
    virtual ~Interceptor() = default;
    virtual void messageBox(const QString& title, const QString& text) = 0;
    virtual void errorBox(const QString& title, const QString& text) = 0;
    virtual void shellExecute(const ShellRequest& request) = 0;
    // Returns whether the process was started.
    virtual bool startDetached(const QString& program) = 0;
};

// Routes every service below to `interceptor` (nullptr restores the real ones).
void setInterceptor(Interceptor* interceptor);
Interceptor* interceptor();

// The application title used as the caption of every box.
QString applicationTitle();
void setApplicationTitle(const QString& title);

// Opens a document or an address; the result is not reported.
void shellExecute(const ShellRequest& request);
// Starts `program` with no arguments, without waiting. The path is passed as one
// argument to the process API, so blanks in it cannot split it.
bool startDetached(const QString& program);
// Ends the event loops once the running handler returns, without closing any window.
void terminateApplication();
bool applicationTerminated();
// Starts the running executable anew, detached and without arguments, then ends this
// instance as terminateApplication does. Whether the new process started is not tested.
void restart();

// Modal message: the text, no icon, one OK button that answers Enter and Esc, centred on
// the screen, titled with the application title.
void messageBox(const QString& text);
// Modal error box: the text with the full-stop rule applied, the application title as
// caption, the error icon and an OK button.
void errorBox(const QString& text);

// Appends "." when the code of the text's last character is above that of ".".
QString withFullStop(const QString& text);

// The application-wide handler's reaction to a failure nobody caught.
void showException(const std::exception& e);
void showUnknownException();

} // namespace platform
