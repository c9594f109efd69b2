#pragma once
// The proxy dialog: edits the single row of the settings store's proxy table in place;
// saving writes it and restarts the program, which applies it at its first activation.
#include <QDialog>
#include <memory>

namespace Ui {
class ProxyForm;
}
class TDataModule1;
class TIdHTTP;

class TProxyForm : public QDialog {
    Q_OBJECT
public:
    explicit TProxyForm(QWidget* parent = nullptr);
    ~TProxyForm() override;

    Ui::ProxyForm* ui() const { return ui_.get(); }
    void bindData(TDataModule1& data);

    // "Сохранить": the control being edited writes its value, a changed row is posted, the
    // user is told, and the program restarts. A failed post ends it with the error box.
    void BitBtn1Click();

private:
    std::unique_ptr<Ui::ProxyForm> ui_;
};

// Copies the proxy row into the client: the server when the dialog's box is checked, then
// the port (the runtime's text-to-integer rules; a bad port fails with EConvertError),
// the user name and the password. Fails with EDatabaseError when the settings store is not
// open.
void applyProxySettings(TIdHTTP& http);

extern TProxyForm* ProxyForm;
