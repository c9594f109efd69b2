#pragma once
// The settings dialog: the start-up check flag, read only at the next start.
#include <QDialog>
#include <memory>

namespace Ui {
class ConfigForm;
}
class TDataModule1;

class TConfigForm : public QDialog {
    Q_OBJECT
public:
    // Binds the check box to the data module's autoupdate table.
    explicit TConfigForm(TDataModule1& data, QWidget* parent = nullptr);
    ~TConfigForm() override;

    Ui::ConfigForm* ui() const { return ui_.get(); }
    // True when the start-up check is on.
    bool autoCheck() const;
    // "Сохранить": the box writes its value, and a changed row is posted.
    void BitBtn1Click();

private:
    std::unique_ptr<Ui::ConfigForm> ui_;
    TDataModule1& data_;
};

extern TConfigForm* ConfigForm;
