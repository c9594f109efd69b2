#include "dialogs/AboutUnit.h"

#include "platform/Dialogs.h"

TAboutForm* AboutForm = nullptr;

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    platform::setUpFixedDialog(this, QStringLiteral("О программе"), QSize(442, 101));
}
