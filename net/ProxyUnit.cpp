#include "net/ProxyUnit.h"

#include "platform/Dialogs.h"

TProxyForm* ProxyForm = nullptr;

TProxyForm::TProxyForm(QWidget* parent) : QDialog(parent) {
    platform::setUpFixedDialog(this, QStringLiteral("Настройка прокси"), QSize(412, 226));
}
