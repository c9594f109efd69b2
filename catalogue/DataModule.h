#pragma once
// The data module: both stores, the catalogue date and settings tables and the four
// category queries, for the whole run.
#include "catalogue/CatalogueQuery.h"
#include "catalogue/Store.h"
#include "catalogue/StoreTable.h"

#include <QObject>
#include <array>

class TDataModule1 : public QObject {
    Q_OBJECT
public:
    // Opens everything in the fixed order; each failure is shown in its own error box and
    // passed over, leaving that dataset closed.
    explicit TDataModule1(QObject* parent = nullptr);
    ~TDataModule1() override;

    Store ADOConnection{"bdv.db", Store::Mode::ReadOnly};
    Store ProxyConnection{"zntconfig.db", Store::Mode::ReadWrite};

    StoreTable UpdateTable{QStringLiteral("UpdateTable"), QStringLiteral("upbd"), ADOConnection};
    StoreTable ProxyTable{QStringLiteral("ProxyTable"), QStringLiteral("proxy"), ProxyConnection};
    StoreTable AutoupdateTable{QStringLiteral("AutoupdateTable"), QStringLiteral("autoupdate"),
                               ProxyConnection};

    CatalogueQuery FilmsQuery{QStringLiteral("FilmsQuery"), Category::Films, ADOConnection};
    CatalogueQuery MultQuery{QStringLiteral("MultQuery"), Category::Cartoons, ADOConnection};
    CatalogueQuery SerialsQuery{QStringLiteral("SerialsQuery"), Category::Serials, ADOConnection};
    CatalogueQuery VKFQuery{QStringLiteral("VKFQuery"), Category::VKontakte, ADOConnection};

    CatalogueQuery& query(Category c);
    // Filters all four categories by a title substring, in the order films, cartoons,
    // serials, VKontakte; "%" and "_" in the text act as wildcards, an apostrophe is an
    // apostrophe, and case is ignored. Each list shows its matching rows in the store's
    // order, the first current. A category that fails to open is reported (the first
    // failure is thrown) after the others have been searched.
    void search(const QString& text);
    // The display text of the first row's `update` value: the date in the short date
    // format, then the time in the long time format unless it is midnight; empty for null.
    QString updateDateText() const;
};

extern TDataModule1* DataModule1;
