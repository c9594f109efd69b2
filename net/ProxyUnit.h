#pragma once
#include <QDialog>

class TProxyForm : public QDialog {
    Q_OBJECT
public:
    explicit TProxyForm(QWidget* parent = nullptr);
};

extern TProxyForm* ProxyForm;
