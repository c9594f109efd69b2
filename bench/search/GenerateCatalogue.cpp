// Writes a large catalogue, bdv.db, and a settings store, zntconfig.db, into a folder:
// titles of one to six Russian and Latin words, the first capitalised, a few of them null.
// Both stores are made from their schemas (schema/); <settings.sql> holds the settings rows.
// Usage: search_catalogue_gen <folder> <rows per category> <settings.sql>
#include "schema/Schema.h"
#include "types/Category.h"

#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

const char* const kRussian[] = {
    "москва",        "ирония",    "судьба",    "любовь",     "голуби",     "брат",
    "солнце",        "пустыня",   "рука",      "пленница",   "удача",      "роман",
    "профессия",     "операция",  "офицеры",   "гараж",      "автомобиль", "марафон",
    "ворота",        "сердце",    "сталкер",   "журавли",    "экипаж",     "встреча",
    "мушкетёры",     "лето",      "девчата",   "разбойники", "ёжик",       "туман",
    "простоквашино", "каникулы",  "винни",     "пух",        "гости",      "малыш",
    "карлсон",       "музыканты", "котёнок",   "крокодил",   "гена",       "чебурашка",
    "ворона",        "снег",      "пёс",       "планета",    "остров",     "сокровища",
    "капитан",       "кот",       "маугли",    "королева",   "антилопа",   "цветочек",
    "умка",          "варежка",   "корабль",   "попугай",    "весна",      "будущее",
    "электроник",    "революция", "зов",       "тени",       "полдень",    "следствие",
    "дорога",        "граница",   "улицы",     "фонари",     "петербург",  "солдаты",
    "дочки",         "смешарики", "медведь",   "лунтик",     "фиксики",    "незнайка",
    "колобки",       "котопёс",   "обращение", "голы",       "сезон",      "борщ",
    "прогулка",      "указка",    "рыбалка",   "волга",      "поход",      "эльбрус",
    "хор",           "урок",      "гитара",    "клип",       "концерт",    "парк",
    "обзор",         "телефон",   "фокусы",    "карты",      "флешмоб",    "байкал",
    "зима",          "питер",     "арбат",     "хлеб",       "гимнастика", "ролик",
    "дача",          "пельмени",  "песни",     "костёр",     "эрмитаж",    "собака",
    "открытие",      "гонки",     "снегоход",  "скетч",      "вечер",      "ночь",
    "день",          "город",     "деревня",   "река",       "море",       "лес",
    "война",         "мир",       "жизнь",     "история",    "тайна",      "приключения",
    "сказка",        "легенда",   "охота",     "звезда",     "небо",       "земля",
    "огонь",         "вода",
};

const char* const kLatin[] = {
    "star",       "wars",    "matrix",   "the",       "lord",       "rings",     "return",
    "king",       "back",    "future",   "alien",     "terminator", "judgment",  "day",
    "night",      "city",    "love",     "story",     "dark",       "knight",    "rises",
    "iron",       "man",     "space",    "odyssey",   "blade",      "runner",    "heat",
    "fight",      "club",    "pulp",     "fiction",   "godfather",  "part",      "jaws",
    "rocky",      "titanic", "avatar",   "gladiator", "memento",    "inception", "interstellar",
    "toy",        "cars",    "up",       "frozen",    "coco",       "soul",      "shrek",
    "madagascar", "kung",    "fu",       "panda",     "ice",        "age",       "simpsons",
    "friends",    "lost",    "house",    "doctor",    "who",        "sherlock",  "office",
    "breaking",   "bad",     "game",     "thrones",   "vikings",    "mr",        "robot",
    "black",      "mirror",  "video",    "live",      "vlog",       "music",     "cover",
    "remix",      "trailer", "review",   "season",    "episode",    "final",     "pilot",
    "special",    "edition", "director", "cut",       "remastered", "hd",        "full",
    "movie",      "show",    "best",     "top",       "new",
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <folder> <rows per category> <settings.sql>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const long perCategory = std::strtol(argv[2], nullptr, 10);
    QFile settingsSql(QString::fromLocal8Bit(argv[3]));
    if (perCategory <= 0 || !settingsSql.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bad arguments\n");
        return 2;
    }
    const QByteArray settings = settingsSql.readAll();

    auto make = [&](const QString& name, auto&& fill) {
        const QString path = folder + QStringLiteral("/") + name;
        QFile::remove(path);
        sqlite3* db = nullptr;
        if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), sqlite3_errmsg(db));
            std::exit(1);
        }
        fill(db);
        sqlite3_close(db);
    };
    auto exec = [](sqlite3* db, const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            std::fprintf(stderr, "%s\n", error);
            std::exit(1);
        }
    };

    // The site check stays off, so that a run never leaves this machine.
    make(QStringLiteral("zntconfig.db"), [&](sqlite3* db) {
        exec(db, std::string(schema::kSettings).c_str());
        exec(db, settings.constData());
        exec(db, "UPDATE autoupdate SET autoupdatecheck = 0;");
    });

    make(QStringLiteral("bdv.db"), [&](sqlite3* db) {
        exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;");
        exec(db, std::string(schema::kCatalogue).c_str());
        exec(db, "INSERT INTO upbd (\"update\") VALUES ('2026-11-28 14:30:00'); BEGIN;");
        std::mt19937 random(20261207);
        const std::size_t russian = std::size(kRussian), latin = std::size(kLatin);
        for (const CategoryInfo& t : kCategories) {
            const std::string sql = "INSERT INTO " + std::string(t.table) + " (" +
                                    std::string(t.titleField) + ", " + std::string(t.urlField) +
                                    ") VALUES (?1, ?2)";
            sqlite3_stmt* insert = nullptr;
            sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr);
            for (long i = 1; i <= perCategory; ++i) {
                // One title in 50,000 was never filled in.
                if (i % 50000 == 25000) {
                    sqlite3_bind_null(insert, 1);
                } else {
                    const int words = 1 + static_cast<int>(random() % 6);
                    // Most titles are Russian, some Latin, some mixed.
                    const unsigned kind = random() % 10;
                    QString title;
                    for (int w = 0; w < words; ++w) {
                        const bool useLatin = kind >= 8 || (kind == 7 && w % 2 == 1);
                        const char* word =
                            useLatin ? kLatin[random() % latin] : kRussian[random() % russian];
                        if (w)
                            title += QLatin1Char(' ');
                        title += QString::fromUtf8(word);
                    }
                    if (random() % 4 == 0)
                        title += QStringLiteral(" (") + QString::number(1950 + random() % 75) +
                                 QLatin1Char(')');
                    title[0] = title[0].toUpper();
                    const QByteArray utf8 = title.toUtf8();
                    sqlite3_bind_text(insert, 1, utf8.constData(), static_cast<int>(utf8.size()),
                                      SQLITE_TRANSIENT);
                }
                const std::string url = "http://127.0.0.1:8080/" + std::string(t.table) + "/" +
                                        std::to_string(i) + ".html";
                sqlite3_bind_text(insert, 2, url.c_str(), static_cast<int>(url.size()),
                                  SQLITE_TRANSIENT);
                if (sqlite3_step(insert) != SQLITE_DONE) {
                    std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
                    return std::exit(1);
                }
                sqlite3_reset(insert);
            }
            sqlite3_finalize(insert);
        }
        exec(db, "COMMIT;");
    });
    std::printf("catalogue: %ld titles per category in %s\n", perCategory, argv[1]);
    return 0;
}
