#pragma once
#include <QDialog>

class TUpProgForm : public QDialog {
    Q_OBJECT
public:
    explicit TUpProgForm(QWidget* parent = nullptr);
};

extern TUpProgForm* UpProgForm;
