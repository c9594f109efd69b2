#include "dialogs/ConfigUnit.h"

#include "platform/Dialogs.h"

TConfigForm* ConfigForm = nullptr;

TConfigForm::TConfigForm(QWidget* parent) : QDialog(parent) {
    platform::setUpFixedDialog(this, QStringLiteral("Настройки"), QSize(412, 146));
}
