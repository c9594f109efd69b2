#include "dialogs/ConfigUnit.h"

#include "catalogue/DataModule.h"
#include "platform/Dialogs.h"
#include "platform/Guard.h"
#include "ui_ConfigUnit.h"

TConfigForm* ConfigForm = nullptr;

TConfigForm::TConfigForm(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ConfigForm>()) {
    ui_->setupUi(this);
    platform::setUpFixedDialog(this, QStringLiteral("Настройки"), QSize(412, 146),
                               platform::Border::Bare);
    platform::connectCloseButtons(this, ui_->BitBtn1, ui_->BitBtn2, [this] { BitBtn1Click(); });
    if (DataModule1)
        bindData(*DataModule1);
}

TConfigForm::~TConfigForm() = default;

void TConfigForm::bindData(TDataModule1& data) {
    ui_->AutoupdateDBCheckBox->bind(&data.AutoupdateTable, QStringLiteral("autoupdatecheck"));
}

bool TConfigForm::autoCheck() const {
    return ui_->AutoupdateDBCheckBox->checked();
}

void TConfigForm::BitBtn1Click() {
    if (!DataModule1)
        return;
    StoreTable& table = DataModule1->AutoupdateTable;
    table.updateRecord();
    if (table.modified())
        table.post();
}
