#pragma once
// The data module: both stores, the catalogue date and settings tables and the category
// queries, for the whole run.
#include "catalogue/CatalogueQuery.h"
#include "catalogue/CatalogueSource.h"
#include "catalogue/Store.h"
#include "catalogue/StoreTable.h"

#include <QObject>
#include <array>
#include <memory>

class TDataModule1 : public QObject {
    Q_OBJECT
public:
    // Opens everything in the fixed order; each failure is shown in its own error box and
    // passed over, leaving that dataset closed.
    explicit TDataModule1(QObject* parent = nullptr);
    ~TDataModule1() override;

    // The catalogue: a SQLite store or a Jet file (CatalogueSource).
    CatalogueStore ADOConnection{"bdv.db"};
    // The settings store may be a Jet file, made SQLite by the first save.
    Store ProxyConnection{"zntconfig.db", Store::Mode::ReadWrite, Store::Formats::SQLiteOrJet};

    CatalogueDateTable UpdateTable{QStringLiteral("UpdateTable"), QStringLiteral("upbd"),
                                   ADOConnection};
    StoreTable ProxyTable{QStringLiteral("ProxyTable"), QStringLiteral("proxy"), ProxyConnection};
    StoreTable AutoupdateTable{QStringLiteral("AutoupdateTable"), QStringLiteral("autoupdate"),
                               ProxyConnection};

    // The category's query (FilmsQuery, MultQuery...: its row of the category table names
    // it), over the catalogue store.
    CatalogueQuery& query(Category c) { return *queries_[static_cast<std::size_t>(c)]; }
    const CatalogueQuery& query(Category c) const { return *queries_[static_cast<std::size_t>(c)]; }
    // Filters every category by a title substring, in the order of the tab pages; "%" and
    // "_" in the text act as wildcards, an apostrophe is an
    // apostrophe, and case is ignored. Each list shows its matching rows in the store's
    // order, the first current. A category that fails to open is reported (the first
    // failure is thrown) after the others have been searched.
    void search(const QString& text);
    // The display text of the first row's `update` value: the date in the short date
    // format, then the time in the long time format unless it is midnight; empty for null.
    QString updateDateText() const;

private:
    // Made after the stores they read, destroyed before them.
    std::array<std::unique_ptr<CatalogueQuery>, kCategoryCount> queries_;
};

extern TDataModule1* DataModule1;
