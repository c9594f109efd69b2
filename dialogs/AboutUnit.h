#pragma once
// The About dialog: the picture, the product name with its shadow, the version label (the
// program's own version text), the catalogue date and the link to the maker's site.
#include <QDialog>
#include <memory>

namespace Ui {
class AboutForm;
}
class TDataModule1;

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    // Shows the catalogue date of the data module's date table, and follows it.
    explicit TAboutForm(TDataModule1& data, QWidget* parent = nullptr);
    ~TAboutForm() override;

    Ui::AboutForm* ui() const { return ui_.get(); }
    // The own version text, read from the version label.
    QString versionText() const;
    // Opens the site's home page in the browser.
    void Label5Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshDate();
    // The date stands after its label on one line: at their laid-out places while both fit,
    // else the line moves left, no further than the picture; the date may use the rest of
    // the line.
    void layOutDateLine();
    std::unique_ptr<Ui::AboutForm> ui_;
    TDataModule1& data_;
};

extern TAboutForm* AboutForm;
