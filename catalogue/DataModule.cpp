#include "catalogue/DataModule.h"

#include "platform/Shell.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <exception>
#include <thread>

TDataModule1* DataModule1 = nullptr;

namespace {

template <class F> void openReporting(F&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        platform::showException(e);
    }
}

} // namespace

TDataModule1::TDataModule1(QObject* parent) : QObject(parent) {
    for (const CategoryInfo& row : kCategories)
        queries_[static_cast<std::size_t>(row.category)] = std::make_unique<CatalogueQuery>(
            QString::fromLatin1(row.query.data(), static_cast<qsizetype>(row.query.size())),
            row.category, ADOConnection);
    openReporting([&] { ADOConnection.open(); });
    // The categories are read side by side while the settings store opens; each
    // query takes its rows, or its failure, when its turn to open comes.
    if (ADOConnection.isOpen()) {
        for (Category c : kAllCategories)
            query(c).preload();
    }
    openReporting([&] { UpdateTable.open(); });
    openReporting([&] { ProxyTable.open(); });
    openReporting([&] { ProxyConnection.open(); });
    openReporting([&] { AutoupdateTable.open(); });
    // The queries open in an order of their own, which is the order of their error boxes
    // when the catalogue cannot be read.
    for (Category c : kOpenOrder)
        openReporting([&] { query(c).open(); });
}

TDataModule1::~TDataModule1() {
    // Pending edits die with the module; nothing is written.
    for (Category c : kAllCategories)
        query(c).close();
    UpdateTable.close();
    for (StoreTable* t : {&ProxyTable, &AutoupdateTable})
        t->close();
    ADOConnection.close();
    ProxyConnection.close();
}

void TDataModule1::search(const QString& text) {
    // The rows are worked out first, two categories on a helper thread when there is a
    // second core; then each query is re-opened in order and finds its rows ready.
    auto prepare = [this, &text](std::size_t first, std::size_t end) {
        for (std::size_t i = first; i < end; ++i) {
            try {
                query(kAllCategories[i]).prepareFilter(text);
            } catch (...) {
                // Opening works it out again and reports what fails.
            }
        }
    };
    if (std::thread::hardware_concurrency() > 1) {
        // The helper takes the last two categories, this thread the first two; each query
        // is touched by one thread only, and this one waits for the helper before any
        // query is opened.
        const std::size_t half = kAllCategories.size() / 2;
        std::thread helper([&] { prepare(half, kAllCategories.size()); });
        prepare(0, half);
        helper.join();
    }
    // A category that cannot be read does not keep the ones after it from following the
    // text; its failure is passed on once all of them have been tried.
    std::exception_ptr failure;
    for (Category c : kAllCategories) {
        CatalogueQuery* q = &query(c);
        try {
            q->setFilter(text);
            q->open();
        } catch (const std::exception&) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

QString TDataModule1::updateDateText() const {
    const CatalogueDate& date = UpdateTable.date();
    if (!date.when.isValid())
        return date.asStored;
    const QDateTime when = date.when;
    const QLocale locale = QLocale::system();
    QString text = locale.toString(when.date(), QLocale::ShortFormat);
    const QTime t = when.time();
    if (t.hour() != 0 || t.minute() != 0 || t.second() != 0) {
        // The long time format without a time zone, which dates in the store do not carry.
        QString format = locale.timeFormat(QLocale::LongFormat);
        format.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b")));
        text += QLatin1Char(' ') +
                locale.toString(QTime(t.hour(), t.minute(), t.second()), format.trimmed());
    }
    return text;
}
