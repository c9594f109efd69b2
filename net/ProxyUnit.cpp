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

TProxyForm::TProxyForm(TDataModule1& data, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ProxyForm>()), data_(data) {
    ui_->setupUi(this);
    platform::setUpFixedDialog(this, QStringLiteral("Настройка прокси"), QSize(412, 226),
                               platform::Border::MenuAndMinimise);
    // The password is shown in clear, as the user typed it.
    ui_->PasswordDBEdit->setEchoMode(QLineEdit::Normal);
    platform::connectCloseButtons(this, ui_->BitBtn1, ui_->BitBtn2, [this] { BitBtn1Click(); });
    ui_->ServerDBEdit->bind(&data_.ProxyTable, QStringLiteral("adres"));
    ui_->PortDBEdit->bind(&data_.ProxyTable, QStringLiteral("port"));
    ui_->LoginDBEdit->bind(&data_.ProxyTable, QStringLiteral("login"));
    ui_->PasswordDBEdit->bind(&data_.ProxyTable, QStringLiteral("password"));
    ui_->DBCheckBox1->bind(&data_.ProxyTable, QStringLiteral("check"));
}

TProxyForm::~TProxyForm() = default;

void TProxyForm::BitBtn1Click() {
    StoreTable& proxy = data_.ProxyTable;
    // Enter runs this button while the focus is still in an edit: take its value first.
    proxy.updateRecord();
    if (proxy.modified())
        proxy.post();
    platform::messageBox(QStringLiteral("Изменения настроек приняты. Для того чтобы обновления "
                                        "вступили в силу программа должна перезапуститься!"));
    platform::restart();
}

ProxySettings readProxySettings(const StoreTable& proxy) {
    if (!proxy.active())
        throw EDatabaseError(proxy.name().toStdString() +
                             ": Cannot perform this operation on a closed dataset");
    auto field = [&proxy](ProxyField f) { return proxy.asString(static_cast<int>(f)); };
    ProxySettings settings;
    settings.use = proxy.asBoolean(QStringLiteral("check"));
    settings.server = field(ProxyField::Adres);
    settings.port = field(ProxyField::Port);
    settings.username = field(ProxyField::Login);
    settings.password = field(ProxyField::Password);
    return settings;
}

void applyProxySettings(TIdHTTP& client, const ProxySettings& settings) {
    TIdProxyConnectionInfo& params = client.ProxyParams();
    if (settings.use)
        params.setProxyServer(codec::toCp1251(settings.server));
    params.setProxyPort(strToInt(settings.port.toStdString()));
    params.setProxyUsername(codec::toCp1251(settings.username));
    params.setProxyPassword(codec::toCp1251(settings.password));
}
