#include "update/UpProgUnit.h"

#include "platform/Dialogs.h"

TUpProgForm* UpProgForm = nullptr;

TUpProgForm::TUpProgForm(QWidget* parent) : QDialog(parent) {
    platform::setUpFixedDialog(this, QStringLiteral("Обновление!"), QSize(412, 146));
}
