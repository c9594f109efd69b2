#include "app/Program.h"

#include "app/Main.h"
#include "catalogue/DataModule.h"
#include "dialogs/AboutUnit.h"
#include "dialogs/ConfigUnit.h"
#include "net/ProxyUnit.h"
#include "platform/Shell.h"
#include "update/UpProgUnit.h"

#include <QApplication>

void createProgram() {
    // The main window comes first, as the program's main window; it is bound to the data
    // module as soon as that exists. Each dialog is given the data module when it is made.
    MainForm = new TMainForm();
    DataModule1 = new TDataModule1();
    MainForm->bindData(*DataModule1);
    AboutForm = new TAboutForm(*DataModule1, MainForm);
    ProxyForm = new TProxyForm(*DataModule1, MainForm);
    UpProgForm = new TUpProgForm(MainForm);
    ConfigForm = new TConfigForm(*DataModule1, MainForm);
}

void destroyProgram() {
    delete ConfigForm;
    ConfigForm = nullptr;
    delete UpProgForm;
    UpProgForm = nullptr;
    delete ProxyForm;
    ProxyForm = nullptr;
    delete AboutForm;
    AboutForm = nullptr;
    delete MainForm;
    MainForm = nullptr;
    delete DataModule1;
    DataModule1 = nullptr;
}

int runProgram() {
    // The launcher could not prepare the start (the data folder, a store). Started from a
    // menu there is no terminal to read its reason in, so the program shows it, alone.
    if (const QString failure = qEnvironmentVariable(kLaunchFailureVariable); !failure.isEmpty()) {
        platform::errorBox(failure);
        return 1;
    }
    createProgram();
    int code = 0;
    if (!platform::applicationTerminated()) {
        MainForm->show();
        code = QApplication::exec();
    }
    destroyProgram();
    return code;
}
