// The title search: every category against an independent matcher on real store files,
// null titles, the order and number of re-queries, the lists of the real main window, the
// addresses read on demand, and texts that must never break anything.
#include "CatalogueFixture.h"
#include "app/Main.h"
#include "app/Program.h"
#include "catalogue/DataModule.h"
#include "catalogue/Fold.h"
#include "catalogue/TitleIndex.h"
#include "support/TestSupport.h"
#include "widgets/DBControls.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QThread>
#include <array>
#include <gtest/gtest.h>
#include <random>
#include <sqlite3.h>
#include <thread>

using namespace testing_support;

namespace {

struct StoredRow {
    qint64 key;
    QString title;
    bool null;
    QString url;
};

// The category's rows read straight from the file, in the store's order.
std::vector<StoredRow> storedRows(const QString& file, Category c) {
    const CategoryInfo& info = categoryInfo(c);
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const std::string sql = "SELECT key, " + std::string(info.titleField) + ", " +
                            std::string(info.urlField) + " FROM " + std::string(info.table) +
                            " ORDER BY rowid";
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    std::vector<StoredRow> rows;
    auto text = [&](int i) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
    };
    while (sqlite3_step(st) == SQLITE_ROW)
        rows.push_back({sqlite3_column_int64(st, 0), text(1),
                        sqlite3_column_type(st, 1) == SQLITE_NULL, text(2)});
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// The meaning of the search, written another way: the title contains a run matching the
// text, "%" any run, "_" one character, case ignored in every script.
QRegularExpression likeExpression(const QString& text) {
    QString body;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('%') && body.endsWith(QStringLiteral(".*")))
            continue;
        if (c == QLatin1Char('%'))
            body += QStringLiteral(".*");
        else if (c == QLatin1Char('_'))
            body += QLatin1Char('.');
        else if (c.isHighSurrogate() && i + 1 < text.size())
            body += QRegularExpression::escape(text.mid(i++, 2));
        else
            body += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(body, QRegularExpression::CaseInsensitiveOption |
                                        QRegularExpression::DotMatchesEverythingOption);
}

std::vector<StoredRow> expected(const std::vector<StoredRow>& all, const QString& text) {
    const QRegularExpression re = likeExpression(text);
    std::vector<StoredRow> out;
    for (const StoredRow& r : all)
        if (!r.null && re.match(r.title).hasMatch())
            out.push_back(r);
    return out;
}

QStringList titles(const CatalogueQuery& q) {
    QStringList out;
    for (int i = 0; i < q.rowCount(); ++i)
        out << q.title(i);
    return out;
}

QStringList titles(const std::vector<StoredRow>& rows) {
    QStringList out;
    for (const StoredRow& r : rows)
        out << r.title;
    return out;
}

std::string demoCatalogue() {
    const std::string sql = demoCatalogueSql();
    // Entries for the harder cases: Latin case, "%", "_", quotes and backslashes in titles,
    // letters outside Russian, and one more untitled entry; indexes that would sort the rows
    // by title if the store were let to pick them.
    return sql + R"(
INSERT INTO bdm (mult, mhttp) VALUES ('The LION King', 'http://127.0.0.1:8080/mult/31.html');
INSERT INTO bdm (mult, mhttp) VALUES (NULL, 'http://127.0.0.1:8080/mult/32.html');
INSERT INTO bds (serials, shttp) VALUES ('Скидка 100% на_всё', 'http://127.0.0.1:8080/serials/31.html');
INSERT INTO bds (serials, shttp) VALUES ('Ґанок і Їжак', 'http://127.0.0.1:8080/serials/32.html');
INSERT INTO bvkf (vkfilms, http) VALUES ('Say "cheese" \ o''clock', 'http://127.0.0.1:8080/vk/31.html');
CREATE INDEX bdf_title ON bdf (films);
CREATE INDEX bdm_title ON bdm (mult, mhttp);
CREATE INDEX bds_title ON bds (serials DESC);
CREATE INDEX bvkf_title ON bvkf (vkfilms, http, key);
)";
}

} // namespace

class Search : public CatalogueFormats {
protected:
    void SetUp() override {
        makeCatalogue(demoCatalogue());
        makeStore(dir.file("zntconfig.db"), demoSettingsSql());
        dm = std::make_unique<TDataModule1>();
        for (Category c : kAllCategories)
            stored[static_cast<int>(c)] = storedRows(master(), c);
    }
    const std::vector<StoredRow>& all(Category c) const { return stored[static_cast<int>(c)]; }

    // Every category holds the rows the text means, in the store's order, the first current.
    void expectFollows(const QString& text) {
        for (Category c : kAllCategories) {
            const CatalogueQuery& q = dm->query(c);
            const std::vector<StoredRow> want = expected(all(c), text);
            SCOPED_TRACE(q.name().toStdString() + " for \"" + text.toStdString() + "\"");
            ASSERT_TRUE(q.active());
            ASSERT_EQ(titles(q), titles(want));
            for (int i = 0; i < q.rowCount(); ++i)
                EXPECT_EQ(q.key(i), want[i].key);
            EXPECT_EQ(q.currentRow(), want.empty() ? -1 : 0);
            EXPECT_EQ(q.currentUrl(), want.empty() ? QString() : want[0].url);
        }
    }

    RecordingPlatform rec;
    std::unique_ptr<TDataModule1> dm;
    std::array<std::vector<StoredRow>, kCategoryCount> stored;
};

TEST_P(Search, EveryCategoryHoldsWhatTheTextMeans) {
    const char* texts[] = {
        "",      "а",     "ИРОНИЯ", "ирония", "ёжик",  "ЁЖИК",         "Д'Артаньян",
        "д'арт", "'",     "lion",   "LiOn K", "пр_ст", "к%н",          "%",
        "_",     "%%%",   "__%__",  "100%",   "100_",  "%\\%",         "\"cheese\"",
        "\\",    "ґанок", "ЇЖАК",   "(",      ")",     "ну, п",        "ничего такого",
        "ьь",    "е",     "ё",      "Брат 2", " ",     "мультсериал)",
    };
    for (const char* t : texts) {
        dm->search(QString::fromUtf8(t));
        expectFollows(QString::fromUtf8(t));
    }
    EXPECT_TRUE(rec.events.empty());
}

TEST_P(Search, NamedTitlesAreFoundWhateverTheirCase) {
    struct Case {
        Category category;
        const char* text;
        const char* title;
    } cases[] = {
        {Category::Films, "ИРОНИЯ", "Ирония судьбы, или С лёгким паром!"},
        {Category::Cartoons, "ёжик", "Ёжик в тумане"},
        {Category::Films, "Д'Артаньян", "Д'Артаньян и три мушкетёра"},
        {Category::Cartoons, "the lion", "The LION King"},
        {Category::Serials, "ґанок і ЇЖАК", "Ґанок і Їжак"},
    };
    for (const Case& c : cases) {
        dm->search(QString::fromUtf8(c.text));
        const CatalogueQuery& q = dm->query(c.category);
        ASSERT_EQ(q.rowCount(), 1) << c.text;
        EXPECT_EQ(q.title(0), QString::fromUtf8(c.title));
    }
    // "е" and "ё" are different letters.
    dm->search(QStringLiteral("ёжик"));
    const int withYo = dm->query(Category::Cartoons).rowCount();
    dm->search(QStringLiteral("ежик"));
    EXPECT_EQ(dm->query(Category::Cartoons).rowCount(), withYo - 1);
}

TEST_P(Search, NullTitlesShowAtStartAndNeverMatch) {
    EXPECT_EQ(dm->query(Category::Films).rowCount(), static_cast<int>(all(Category::Films).size()));
    EXPECT_TRUE(dm->query(Category::Films).titleIsNull(dm->query(Category::Films).rowCount() - 1));
    for (const char* t : {"x", "", "%", "_"}) {
        dm->search(QString::fromUtf8(t));
        for (Category c : kAllCategories) {
            const CatalogueQuery& q = dm->query(c);
            for (int i = 0; i < q.rowCount(); ++i)
                EXPECT_FALSE(q.titleIsNull(i)) << q.name().toStdString() << " " << t;
        }
    }
    dm->search(QString());
    EXPECT_EQ(dm->query(Category::Films).rowCount(),
              static_cast<int>(all(Category::Films).size()) - 1);
    EXPECT_EQ(dm->query(Category::Cartoons).rowCount(),
              static_cast<int>(all(Category::Cartoons).size()) - 1);
}

TEST_P(Search, EveryChangeReopensEveryCategoryInOrder) {
    QStringList opened;
    for (Category c : kAllCategories) {
        CatalogueQuery* q = &dm->query(c);
        QObject::connect(q, &CatalogueQuery::reset, q, [q, &opened] {
            if (q->active())
                opened << q->name();
        });
    }
    for (const char* t : {"к", "ко", "кот"})
        dm->search(QString::fromUtf8(t));
    QStringList once;
    for (const CategoryInfo& row : kCategories)
        once << QString::fromLatin1(row.query.data(), static_cast<qsizetype>(row.query.size()));
    EXPECT_EQ(opened, once + once + once);
    expectFollows(QStringLiteral("кот"));
    EXPECT_EQ(dm->query(Category::Films).sql(),
              QStringList({"SELECT*", "FROM bdf", "WHERE films LIKE ?1"}));
}

TEST_P(Search, TypingOnAndDeletingBackGiveTheSameAsTypingAfresh) {
    // Later results are worked out from earlier ones; the answer must not depend on that.
    const char* sequence[] = {"м", "мо", "мос", "мо", "м",   "",    "%", "%о", "%о_", "%о", "о",
                              "_", "__", "_",   "а",  "а_а", "а%а", "а", "",   "п",   "пр", "п"};
    for (const char* t : sequence) {
        dm->search(QString::fromUtf8(t));
        expectFollows(QString::fromUtf8(t));
    }
}

TEST_P(Search, AddressesAreReadForTheRowsShown) {
    dm->search(QStringLiteral("пр"));
    for (Category c : kAllCategories) {
        CatalogueQuery& q = dm->query(c);
        const std::vector<StoredRow> want = expected(all(c), QStringLiteral("пр"));
        ASSERT_EQ(q.rowCount(), static_cast<int>(want.size()));
        for (int i = q.rowCount() - 1; i >= 0; --i) {
            EXPECT_EQ(q.url(i), want[i].url);
            q.setCurrentRow(i);
            EXPECT_EQ(q.currentUrl(), want[i].url);
        }
    }
}

TEST_P(Search, TitlesAndAddressesComeFromOneReadingOfTheFile) {
    CatalogueQuery& films = dm->query(Category::Films);
    const std::vector<StoredRow> before = all(Category::Films);
    // Another program renames every film, moves its page and deletes the second entry.
    changeCatalogue("UPDATE bdf SET films = 'Новый ' || films, fhttp = fhttp || "
                    "'?moved'; DELETE FROM bdf WHERE key = 2;");
    // What the list shows is still one reading: each title with its own address.
    ASSERT_EQ(films.rowCount(), static_cast<int>(before.size()));
    for (int i = 0; i < films.rowCount(); ++i) {
        EXPECT_EQ(films.title(i), before[i].title);
        EXPECT_EQ(films.url(i), before[i].url);
    }
    films.setCurrentRow(1);
    EXPECT_EQ(dm->query(Category::Films).currentUrl(), before[1].url);
    // The next search reads the changed file: new titles with their new addresses, and the
    // deleted entry is gone.
    stored[static_cast<int>(Category::Films)] = storedRows(master(), Category::Films);
    ASSERT_EQ(all(Category::Films).size(), before.size() - 1);
    for (const char* t : {"", "новый б", "а"}) {
        dm->search(QString::fromUtf8(t));
        expectFollows(QString::fromUtf8(t));
        for (int i = 0; i < films.rowCount(); ++i)
            EXPECT_TRUE(films.url(i).endsWith("?moved")) << films.url(i).toStdString();
    }
    // A change made while the snapshot is read in the background is noticed when it opens.
    CatalogueStore store(dir.file("bdv.db").toStdString());
    CatalogueQuery fresh("FilmsQuery", Category::Films, store);
    fresh.preload();
    QThread::msleep(300); // the background reading has long ended
    changeCatalogue("UPDATE bdf SET films = 'Другой', fhttp = 'http://x/' WHERE "
                    "rowid = (SELECT min(rowid) FROM bdf);");
    fresh.open();
    EXPECT_EQ(fresh.title(0), "Другой");
    EXPECT_EQ(fresh.currentUrl(), "http://x/");
    EXPECT_TRUE(rec.events.empty());
}

TEST_P(Search, AQueryDroppedWhileItsStartUpReadingRunsWaitsForIt) {
    // The reading fails in the query's own words (its name), so it uses the query to the
    // end: the query must not go before the reading does.
    makeStore(dir.file("other.db"), "CREATE TABLE bdf (key INTEGER PRIMARY KEY, films TEXT);");
    CatalogueStore other(dir.file("other.db").toStdString());
    for (int i = 0; i < 20; ++i) {
        // A name of its own, on the heap like any name made at run time.
        auto query = std::make_unique<CatalogueQuery>(QStringLiteral("FilmsQuery%1").arg(i),
                                                      Category::Films, other);
        query->preload();
        query.reset();
    }
    CatalogueQuery failing("FilmsQuery", Category::Films, other);
    failing.preload();
    try {
        failing.open();
        ADD_FAILURE() << "a table without its address field was opened";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "FilmsQuery: Field 'fhttp' not found");
    }
    CatalogueStore store(dir.file("bdv.db").toStdString());
    CatalogueQuery kept("FilmsQuery", Category::Films, store);
    kept.preload();
    kept.open();
    EXPECT_EQ(kept.rowCount(), static_cast<int>(all(Category::Films).size()));
}

TEST_P(Search, NoTextBreaksOrChangesTheQuery) {
    const QString texts[] = {
        QStringLiteral("'"),
        QStringLiteral("''"),
        QStringLiteral("' OR 1=1 --"),
        QStringLiteral("%'; DROP TABLE bdf; --"),
        QStringLiteral("\\"),
        QStringLiteral("\\%"),
        QStringLiteral("\""),
        QString(QChar(0)),
        QStringLiteral("а") + QChar(0) + QStringLiteral("б"),
        QStringLiteral("😀"),
        QString(QChar(0xD800)),
        QString(100000, QLatin1Char('a')),
        QString(60000, QLatin1Char('%')),
        QString(300, QLatin1Char('_')),
        QString(2000, QLatin1Char('%')) + QStringLiteral("ь"),
    };
    for (const QString& t : texts) {
        EXPECT_NO_THROW(dm->search(t));
        for (Category c : kAllCategories)
            EXPECT_TRUE(dm->query(c).active());
    }
    EXPECT_TRUE(rec.events.empty());
    // The texts that mean something were taken as data.
    for (const QString& t :
         {texts[0], texts[2], texts[3], texts[4], texts[9], texts[12], texts[13], texts[14]}) {
        dm->search(t);
        expectFollows(t);
    }
    // NUL, a lone surrogate and a text longer than any title match nothing.
    for (const QString& t : {texts[7], texts[8], texts[10], texts[11]}) {
        dm->search(t);
        for (Category c : kAllCategories)
            EXPECT_EQ(dm->query(c).rowCount(), 0);
    }
    EXPECT_EQ(storedRows(master(), Category::Films).size(), all(Category::Films).size());
}

TEST_P(Search, ACategoryThatCannotBeReadDoesNotStopTheOthers) {
    dm.reset();
    changeCatalogue("DROP TABLE bds;");
    dm = std::make_unique<TDataModule1>();
    rec.clear();
    EXPECT_THROW(dm->search(QStringLiteral("о")), EDatabaseError);
    EXPECT_FALSE(dm->query(Category::Serials).active());
    EXPECT_TRUE(dm->query(Category::VKontakte).active());
    EXPECT_EQ(titles(dm->query(Category::VKontakte)),
              titles(expected(all(Category::VKontakte), QStringLiteral("о"))));
}

ZANTREL_ALL_CATALOGUE_FORMATS(Search);

// ---- the main window ----

class SearchWindow : public CatalogueFormats {};

TEST_P(SearchWindow, TheListsAndAddressEditsFollowOnEveryTab) {
    makeCatalogue(demoCatalogue());
    makeStore(dir.file("zntconfig.db"), demoSettingsSql());
    RecordingPlatform rec;
    int opened = 0;
    createProgram();
    struct Destroy {
        ~Destroy() { destroyProgram(); }
    } destroy;
    MainForm->show();
    auto* find = MainForm->findChild<QLineEdit*>(QStringLiteral("FindEdit"));
    auto* tabs = MainForm->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    ASSERT_TRUE(find && tabs);

    QObject::connect(&DataModule1->query(Category::Films), &CatalogueQuery::reset,
                     [&] { opened += DataModule1->query(Category::Films).active(); });
    tabs->setCurrentIndex(2);
    find->setFocus();
    // Typed key by key, as a keyboard would.
    for (const QChar c : QStringLiteral("ЕНИ")) {
        QKeyEvent press(QEvent::KeyPress, c.unicode(), Qt::ShiftModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, c.unicode(), Qt::ShiftModifier, QString(c));
        QCoreApplication::sendEvent(find, &press);
        QCoreApplication::sendEvent(find, &release);
    }
    EXPECT_EQ(find->text(), QStringLiteral("ЕНИ"));
    EXPECT_EQ(opened, 3);

    for (const QString& text : {QStringLiteral("ЕНИ"), QStringLiteral("нет такого")}) {
        find->setText(text);
        for (int tab : {3, 0, 1, 2}) {
            tabs->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            for (Category c : kAllCategories) {
                const std::vector<StoredRow> want = expected(storedRows(master(), c), text);
                DBGrid* grid = MainForm->grid(c);
                SCOPED_TRACE(grid->objectName().toStdString() + " " + text.toStdString());
                ASSERT_EQ(grid->model()->rowCount(), static_cast<int>(want.size()));
                for (int i = 0; i < grid->model()->rowCount(); ++i)
                    EXPECT_EQ(grid->model()->index(i, 0).data().toString(), want[i].title);
                EXPECT_EQ(grid->currentIndex().row(), want.empty() ? -1 : 0);
                EXPECT_EQ(MainForm->urlEdit(c)->text(), want.empty() ? QString() : want[0].url);
            }
        }
    }
    // Picking a row in a filtered list shows that row's address.
    find->setText(QStringLiteral("ЕНИ"));
    DBGrid* films = MainForm->grid(Category::Films);
    const std::vector<StoredRow> want =
        expected(storedRows(master(), Category::Films), QStringLiteral("ЕНИ"));
    ASSERT_GE(want.size(), 2u);
    films->setCurrentIndex(films->model()->index(1, 0));
    EXPECT_EQ(MainForm->urlEdit(Category::Films)->text(), want[1].url);
    EXPECT_TRUE(rec.events.empty());
}

ZANTREL_ALL_CATALOGUE_FORMATS(SearchWindow);

// ---- the pieces ----

TEST(Fold, CaseIsFoldedLetterForLetter) {
    const char* same[][2] = {
        {"ABCXYZ", "abcxyz"},
        {"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ", "абвгдежзийклмнопрстуфхцчшщъыьэюя"},
        {"Ё", "ё"},
        {"ЄІЇҐЎЂЈЉЊЋЏЅ", "єіїґўђјљњћџѕ"},
        {"ÀÉÎÕÜ", "àéîõü"},
        {"ΣΑΣ", "σασ"},
        {"K", "k"} /* Kelvin sign */,
        {"Ǆ", "ǆ"},
    };
    for (const auto& p : same)
        EXPECT_EQ(fold::folded(std::string_view(p[0])), fold::folded(std::string_view(p[1])))
            << p[0];
    const char* different[][2] = {{"е", "ё"}, {"и", "й"}, {"ß", "ss"}, {"ь", "ъ"}, {"i", "ı"}};
    for (const auto& p : different)
        EXPECT_NE(fold::folded(std::string_view(p[0])), fold::folded(std::string_view(p[1])))
            << p[0];
    // A malformed byte reads as one replacement character; nothing is lost after it.
    EXPECT_EQ(fold::folded(std::string_view("A\xFF"
                                            "B")),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(fold::folded(std::string_view("\xD0")), "\xEF\xBF\xBD");
}

TEST(TitleIndex, AgreesWithTheMatcherOnGeneratedTitlesAndPatterns) {
    // Titles over a small alphabet of one-, two- and four-byte characters in both cases,
    // so that patterns hit often and "_" must step over whole characters.
    const QStringList alphabet = {"a", "B", "я", "Я", "ё", "Ё", " ", "😀", "'"};
    std::mt19937 random(7);
    TitleIndex index;
    std::vector<QString> shown;
    for (int i = 0; i < 400; ++i) {
        QString t;
        const int length = static_cast<int>(random() % 9);
        for (int j = 0; j < length; ++j)
            t += alphabet[static_cast<int>(random() % alphabet.size())];
        const bool null = random() % 37 == 0;
        const QByteArray utf8 = t.toUtf8();
        index.append(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                     null);
        shown.push_back(null ? QString() : t);
    }
    const QStringList pieces = {"a", "b", "я", "ё", "Ё", " ", "😀", "'", "%", "_"};
    for (int n = 0; n < 300; ++n) {
        QString text, shorter;
        const int length = 1 + static_cast<int>(random() % 4);
        for (int j = 0; j < length; ++j) {
            shorter = text;
            text += pieces[static_cast<int>(random() % pieces.size())];
        }
        const QRegularExpression re = likeExpression(text);
        RowList want;
        for (std::uint32_t r = 0; r < shown.size(); ++r)
            if (!index.isNull(r) && re.match(shown[r]).hasMatch())
                want.push_back(r);
        const TitlePattern pattern(text);
        ASSERT_EQ(index.find(pattern), want) << text.toStdString();
        // Narrowing from the result of a text this one contains gives the same.
        const TitlePattern wider(shorter);
        ASSERT_TRUE(pattern.narrows(wider));
        EXPECT_EQ(index.find(pattern, index.find(wider)), want) << text.toStdString();
    }
}

TEST(TitleIndex, ATextHoldingNulNeverSpansTwoTitles) {
    TitleIndex index;
    for (const char* t : {"ab", "cd", "b"})
        index.append(t, false);
    index.append("", true);
    index.append("c", false);
    const std::string nul("b\0c", 3);
    EXPECT_TRUE(index.find(TitlePattern(nul)).empty());
    EXPECT_TRUE(index.find(TitlePattern(std::string(1, '\0'))).empty());
    EXPECT_EQ(index.find(TitlePattern(std::string("b"))), RowList({0, 2}));
}

TEST(TitleIndex, AFilledIndexIsSearchedFromSeveralThreadsAtOnce) {
    // Two indexes of the same titles: one searched only here, one first searched by three
    // threads at once, before anything else asked it. A search changes nothing it shares.
    TitleIndex alone, shared;
    std::mt19937 random(11);
    const char* words[] = {"москва", "Ёжик", "the", "Star", "любовь", "а", "%", "_"};
    for (int i = 0; i < 3000; ++i) {
        std::string t = std::string(words[random() % 6]) + " " + words[random() % 6];
        alone.append(t, false);
        shared.append(t, false);
    }
    std::vector<TitlePattern> patterns;
    for (const char* w : words)
        patterns.emplace_back(QString::fromUtf8(w));
    std::vector<std::vector<RowList>> found(3);
    {
        std::vector<std::thread> threads;
        for (auto& rows : found) {
            threads.emplace_back([&] {
                for (const TitlePattern& p : patterns)
                    rows.push_back(shared.find(p));
            });
        }
        for (std::thread& t : threads)
            t.join();
    }
    for (const auto& rows : found) {
        ASSERT_EQ(rows.size(), patterns.size());
        for (std::size_t i = 0; i < patterns.size(); ++i)
            EXPECT_EQ(rows[i], alone.find(patterns[i])) << patterns[i].folded();
    }
}
