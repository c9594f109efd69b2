#pragma once
// The proxy dialog: edits the single row of the settings store's proxy table in place;
// saving writes it and restarts the program, which applies it at its first activation.
// Beside it, the rule that copies that row into the HTTP client, in two steps that need no
// window: the row read into a ProxySettings value, and the value applied to a client.
#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class ProxyForm;
}
class StoreTable;
class TDataModule1;
class TIdHTTP;

class TProxyForm : public QDialog {
    Q_OBJECT
public:
    // Binds the controls to the data module's proxy table.
    explicit TProxyForm(TDataModule1& data, QWidget* parent = nullptr);
    ~TProxyForm() override;

    Ui::ProxyForm* ui() const { return ui_.get(); }

    // "Сохранить": the control being edited writes its value, a changed row is posted, the
    // user is told, and the program restarts. A failed post ends it with the error box.
    void BitBtn1Click();

private:
    std::unique_ptr<Ui::ProxyForm> ui_;
    TDataModule1& data_;
};

extern TProxyForm* ProxyForm;

// The fields of the proxy row that the program reads by position, as the table holds them
// (position 0 is the row key).
enum class ProxyField { Adres = 1, Port = 2, Login = 3, Password = 4 };

// The proxy row as read once, before anything is applied: its texts as stored (the port is
// converted only when applied) and the `check` flag, which reads as the dialog's box does
// (null, or no row, reads as off).
struct ProxySettings {
    bool use = false;
    QString server;
    QString port;
    QString username;
    QString password;
};

// Reads the current row of the proxy table, a pending edit included. Fails with
// EDatabaseError when the table is not open (the settings store failed to open).
ProxySettings readProxySettings(const StoreTable& proxy);

// Copies the settings into the client, in this order: the server, only when `use` is set
// (otherwise the client's server is left as it is); the port, by the runtime's
// text-to-integer rules, whether or not `use` is set (a bad port fails with EConvertError
// and the steps after it do not run); the user name and the password.
void applyProxySettings(TIdHTTP& client, const ProxySettings& settings);
