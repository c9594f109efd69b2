#pragma once
// The new-version offer, and the checks of the maker's site bulletin: its notice, appended
// to every player page, and its version label, compared with the program's own.
#include <QDialog>
#include <QString>
#include <memory>
#include <string>

namespace Ui {
class UpProgForm;
}
class TIdHTTP;

class TUpProgForm : public QDialog {
    Q_OBJECT
public:
    explicit TUpProgForm(QWidget* parent = nullptr);
    ~TUpProgForm() override;
    Ui::UpProgForm* ui() const { return ui_.get(); }
    // "Да": opens the site's home page, then closes.
    void BitBtn1Click();

private:
    std::unique_ptr<Ui::UpProgForm> ui_;
};

extern TUpProgForm* UpProgForm;

// The main window's buffers that the check fills, Windows-1251 bytes.
struct BulletinBuffers {
    std::string* notice;  // the site notice
    std::string* version; // the last version label read
};

// The check at the first activation: two fetches of the home page; the notice is stored only
// when both succeeded; a label that differs from `ownVersion` brings the new-version message.
// Every failure shows the connection message.
void activationCheck(TIdHTTP& http, const BulletinBuffers& buffers, const QString& ownVersion);
// The check on demand: one fetch; a differing label shows the offer dialog, an equal one the
// up-to-date message. The notice is not touched.
void onDemandCheck(TIdHTTP& http, const BulletinBuffers& buffers, const QString& ownVersion,
                   QWidget* owner);
