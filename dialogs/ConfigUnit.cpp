#include "dialogs/ConfigUnit.h"

#include "catalogue/DataModule.h"
#include "platform/Dialogs.h"
#include "platform/Guard.h"
#include "ui_ConfigUnit.h"

TConfigForm* ConfigForm = nullptr;

TConfigForm::TConfigForm(TDataModule1& data, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ConfigForm>()), data_(data) {
    ui_->setupUi(this);
    platform::setUpFixedDialog(this, QStringLiteral("Настройки"), QSize(412, 146),
                               platform::Border::Bare);
    platform::connectCloseButtons(this, ui_->BitBtn1, ui_->BitBtn2, [this] { BitBtn1Click(); });
    ui_->AutoupdateDBCheckBox->bind(&data_.AutoupdateTable, QStringLiteral("autoupdatecheck"));
}

TConfigForm::~TConfigForm() = default;

bool TConfigForm::autoCheck() const {
    return ui_->AutoupdateDBCheckBox->checked();
}

void TConfigForm::BitBtn1Click() {
    StoreTable& table = data_.AutoupdateTable;
    table.updateRecord();
    if (table.modified())
        table.post();
}
