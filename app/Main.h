#pragma once
// The main window: the catalogue in tabbed lists, one per category, the search box, the description
// panel, the three command buttons, the menu, the HTTP client and the hidden text buffers.
#include "types/Category.h"

#include "net/IdHTTP.h"

#include <QMainWindow>
#include <array>
#include <memory>
#include <string>

namespace Ui {
class MainForm;
}
class TDataModule1;
class CatalogueQuery;
class DBGrid;
class QueryFieldEdit;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Binds the grids and the hidden address edits to the data module's queries, and gives
    // the handlers the data module. The main window is made before the data module (it is
    // the program's first window), so it is bound once both exist, before it is shown; the
    // handlers that need the data module must not run before.
    void bindData(TDataModule1& data);

    // The controls, by the names the layout gives them.
    Ui::MainForm* ui() const { return ui_.get(); }

    // The category whose tab page is visible.
    Category currentCategory() const;
    // A category's tab page, its grid and the hidden edit that follows its current row's
    // page address, named as the category's row of the table names them (FilmsSheet,
    // FilmsGrid, FilmsDBEdit...). They are made from the table, one tab per row in its order.
    QWidget* sheet(Category c) const { return sheets_[index(c)]; }
    DBGrid* grid(Category c) const { return grids_[index(c)]; }
    QueryFieldEdit* urlEdit(Category c) const { return urlEdits_[index(c)]; }

    // The directory of the running executable.
    static QString programDirectory();

    // The program's one HTTP client.
    TIdHTTP IdHTTP;

    // The hidden buffers of page text, Windows-1251 bytes kept exactly as they came.
    std::string Memo1; // the last cut link
    std::string Memo2; // the last player page
    std::string Memo3; // the first half of the Flash player template
    std::string Memo4; // the second half
    std::string Memo5; // the site notice
    std::string Edit1; // the last version label read from the site

    // The page address of the current row of a category, as the client takes it.
    std::string currentUrl(Category c) const;

    // Handlers.
    void FormClose();
    void FindEditChange();
    void BitBtn1Click();
    void StartBitBtnClick();
    void BitBtn2Click();
    void N6Click();
    // The first activation after start-up: the proxy, then the optional site check.
    void FormActivate();
    void N3Click();
    void N5Click();
    void N7Click();
    void N8Click();
    void N9Click();
    // Whether the activation handler has run.
    bool activated() const { return activated_; }

protected:
    // Tab and Shift+Tab go round the written order: the tab pages, the visible list, the
    // search box, the player, description and exit buttons, and back to the tab pages.
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The data module given by bindData.
    TDataModule1& data() const;
    static std::size_t index(Category c) { return static_cast<std::size_t>(c); }

    std::array<QWidget*, kCategoryCount> sheets_{};
    std::array<DBGrid*, kCategoryCount> grids_{};
    std::array<QueryFieldEdit*, kCategoryCount> urlEdits_{};

    std::unique_ptr<Ui::MainForm> ui_;
    TDataModule1* data_ = nullptr;
    bool centred_ = false;
    bool activated_ = false;
};

extern TMainForm* MainForm;
