#include "net/ProxyUnit.h"

#include "catalogue/DataModule.h"
#include "net/IdHTTP.h"
#include "platform/Codec.h"
#include "platform/Dialogs.h"
#include "platform/Guard.h"
#include "platform/Shell.h"
#include "platform/core/Exception.h"
#include "ui_ProxyUnit.h"

TProxyForm* ProxyForm = nullptr;

TProxyForm::TProxyForm(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::ProxyForm>()) {
    ui_->setupUi(this);
    platform::setUpFixedDialog(this, QStringLiteral("Настройка прокси"), QSize(412, 226),
                               platform::Border::MenuAndMinimise);
    // The password is shown in clear, as the user typed it.
    ui_->PasswordDBEdit->setEchoMode(QLineEdit::Normal);
    platform::connectCloseButtons(this, ui_->BitBtn1, ui_->BitBtn2, [this] { BitBtn1Click(); });
    if (DataModule1)
        bindData(*DataModule1);
}

TProxyForm::~TProxyForm() = default;

void TProxyForm::bindData(TDataModule1& data) {
    ui_->ServerDBEdit->bind(&data.ProxyTable, QStringLiteral("adres"));
    ui_->PortDBEdit->bind(&data.ProxyTable, QStringLiteral("port"));
    ui_->LoginDBEdit->bind(&data.ProxyTable, QStringLiteral("login"));
    ui_->PasswordDBEdit->bind(&data.ProxyTable, QStringLiteral("password"));
    ui_->DBCheckBox1->bind(&data.ProxyTable, QStringLiteral("check"));
}

void TProxyForm::BitBtn1Click() {
    StoreTable& proxy = DataModule1->ProxyTable;
    // Enter runs this button while the focus is still in an edit: take its value first.
    proxy.updateRecord();
    if (proxy.modified())
        proxy.post();
    platform::messageBox(QStringLiteral("Изменения настроек приняты. Для того чтобы обновления "
                                        "вступили в силу программа должна перезапуститься!"));
    platform::restart();
}

void applyProxySettings(TIdHTTP& http) {
    if (!DataModule1 || !DataModule1->ProxyTable.active())
        throw EDatabaseError("ProxyTable: Cannot perform this operation on a closed dataset");
    const StoreTable& proxy = DataModule1->ProxyTable;
    TIdProxyConnectionInfo& params = http.ProxyParams();
    const bool use = ProxyForm ? ProxyForm->ui()->DBCheckBox1->checked()
                               : proxy.asBoolean(QStringLiteral("check"));
    if (use)
        params.setProxyServer(codec::toCp1251(proxy.asString(1)));
    params.setProxyPort(strToInt(proxy.asString(2).toStdString()));
    params.setProxyUsername(codec::toCp1251(proxy.asString(3)));
    params.setProxyPassword(codec::toCp1251(proxy.asString(4)));
}
