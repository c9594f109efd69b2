// The Jet reader over files the test writer makes: every value as written, format detection,
// and each kind of damaged file refused as a whole.
#include "jet/JetFile.h"
#include "jet/Fixtures.h"
#include "jet/JetText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace {

using jet::Format;
using jet::JetFile;

std::uint32_t u16(const std::string& s, std::size_t at) {
    return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}
void put32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}

// A file holding `bytes`, removed at the end.
struct WrittenFile {
    std::string path;
    explicit WrittenFile(const std::string& bytes)
        : path((std::filesystem::temp_directory_path() /
                ("zantrel-jet-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count())))
                   .string()) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    ~WrittenFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

TEST(JetFile, ReadsEveryFixtureAsWritten) {
    for (const auto& f : jetfixtures::all()) {
        jetwriter::Layout layout;
        const std::string bytes = jetwriter::write(f.tables, f.options, &layout);
        const WrittenFile written(bytes);
        for (const JetFile& file : {JetFile(bytes), JetFile::open(written.path)}) {
            SCOPED_TRACE(f.name);
            EXPECT_EQ(file.format(), f.options.format);
            ASSERT_GT(layout.dataPages["bdf"].size(), 5u); // the many-pages case is one
            std::vector<std::string> names;
            for (const auto& t : f.tables)
                names.push_back(t.name);
            EXPECT_EQ(file.tableNames(), names);
            for (const auto& t : f.tables) {
                SCOPED_TRACE(t.name);
                const auto columns = file.columns(t.name);
                ASSERT_EQ(columns.size(), t.columns.size());
                for (std::size_t i = 0; i < columns.size(); ++i) {
                    EXPECT_EQ(columns[i].name, t.columns[i].name);
                    EXPECT_EQ(columns[i].type, t.columns[i].type);
                    EXPECT_EQ(columns[i].order, int(i));
                }
                const auto rows = file.rows(t.name);
                ASSERT_EQ(rows.size(), t.rows.size());
                for (std::size_t r = 0; r < rows.size(); ++r)
                    EXPECT_TRUE(rows[r] == t.rows[r]) << "row " << r;
            }
        }
    }
}

TEST(JetFile, DecodesJet3TextInTheHeadersCodePage) {
    EXPECT_EQ(jet::jet3TextToUtf8("\x80\x9F\xE9 ok", 1252), "€Ÿé ok");
    EXPECT_EQ(jet::jet3TextToUtf8("\xC6\xE8\xE7\xED\xFC", 1251), "Жизнь");
    EXPECT_EQ(jet::jet3TextToUtf8("plain", 1250), "plain");
}

TEST(JetFile, TwoThreadsReadTwoTablesOfOneFileAtOnce) {
    const auto f = jetfixtures::all()[0];
    const WrittenFile written(jetwriter::write(f.tables, f.options));
    const JetFile file = JetFile::open(written.path);
    auto reader = [&](const jetwriter::Table& t, bool& same) {
        same = true;
        for (int i = 0; i < 10; ++i)
            same = same && file.rows(t.name) == t.rows;
    };
    bool first = false, second = false;
    std::thread a(reader, std::cref(f.tables[0]), std::ref(first));
    std::thread b(reader, std::cref(f.tables[1]), std::ref(second));
    a.join();
    b.join();
    EXPECT_TRUE(first);
    EXPECT_TRUE(second);
}

TEST(JetFile, DetectsTheFormatByTheHeader) {
    const auto fixtures = jetfixtures::all(10);
    auto written = [&](std::size_t i, auto change) {
        jetwriter::Options o = fixtures[i].options;
        change(o);
        return jetwriter::write(fixtures[i].tables, o);
    };
    const std::string jet4 = written(0, [](auto&) {});
    const std::string jet3 = written(2, [](auto&) {});
    std::string ace = jet4;
    ace.replace(4, 16, std::string("Standard ACE DB\0", 16));
    struct Case {
        const char* what;
        std::string bytes;
        std::string error; // empty: no error
        Format format = Format::Jet4;
    };
    const Case cases[] = {
        {"SQLite", std::string("SQLite format 3\0rest", 20), "", Format::SQLite},
        {"Jet 4", jet4, "", Format::Jet4},
        {"Jet 3", jet3, "", Format::Jet3},
        {"ACE", ace, "Access 2007 or later file (.accdb) is not supported"},
        {"garbage", std::string(4096, 'x'), "not a SQLite or Jet database"},
        {"empty", std::string(), "not a SQLite or Jet database"},
        {"encrypted", written(0, [](auto& o) { o.databaseKey = 0x1234; }), "encrypted Jet file"},
        {"Jet 4 password", written(0, [](auto& o) { o.password = "secret"; }),
         "password-protected Jet file"},
        {"Jet 3 password", written(2, [](auto& o) { o.password = "secret"; }),
         "password-protected Jet file"},
        {"version", written(0, [](auto& o) { o.version = 7; }), "unsupported Jet version 7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.error.empty()) {
            EXPECT_EQ(jet::detectFormat(c.bytes), c.format);
            continue;
        }
        try {
            jet::detectFormat(c.bytes);
            ADD_FAILURE() << "no error";
        } catch (const jet::EJetError& e) {
            EXPECT_EQ(e.message(), c.error);
        }
        EXPECT_THROW(JetFile{c.bytes}, jet::EJetError);
    }
    EXPECT_THROW(JetFile(std::string("SQLite format 3\0rest", 20)), jet::ENotDatabase);
}

TEST(JetFile, RefusesADamagedFileRatherThanReadLess) {
    const auto fixtures = jetfixtures::all();
    struct Case {
        const char* what;
        std::size_t fixture;
        std::function<void(std::string&, const jetwriter::Layout&)> damage;
        std::string error;
    };
    const auto rowOffset = [](const std::string& s, const jetwriter::Layout& l,
                              std::uint32_t pointer) {
        const std::size_t page = std::size_t(pointer >> 8) * l.pageSize;
        const std::size_t table = l.pageSize == 2048 ? 10 : 14;
        return page + (u16(s, page + table + 2 * (pointer & 0xFF)) & 0x1FFF);
    };
    const Case cases[] = {
        {"truncated inside a page", 0, [](std::string& s, auto&) { s.resize(s.size() - 100); },
         "damaged Jet file (cut short: "},
        {"truncated at a page", 2, [](std::string& s, auto& l) { s.resize(s.size() - l.pageSize); },
         " out of range)"},
        {"page pointer out of range", 0,
         [](std::string& s, auto& l) {
             put32(s, l.definitionPage.at("bdf") * l.pageSize + 0x37, 0x123400);
         },
         "damaged Jet file (page 4660 out of range)"},
        {"Jet 3 page pointer out of range", 2,
         [](std::string& s, auto& l) {
             put32(s, l.definitionPage.at("bdf") * l.pageSize + 0x23, 0x123400);
         },
         "damaged Jet file (page 4660 out of range)"},
        {"row offset out of range", 0,
         [](std::string& s, auto& l) {
             const std::size_t page = l.dataPages.at("bdf")[1];
             s[page * l.pageSize + 14] = char(0xFF);
             s[page * l.pageSize + 15] = 0x1F;
         },
         " out of range)"},
        {"another table's page in the map", 0,
         [](std::string& s, auto& l) {
             put32(s, l.dataPages.at("bdf")[2] * l.pageSize + 4, l.definitionPage.at("types"));
         },
         "is not a data page of table bdf)"},
        {"long-value chain that loops", 0,
         [&](std::string& s, auto& l) {
             put32(s, rowOffset(s, l, l.lastChain[1]), l.lastChain[0]);
         },
         "damaged Jet file (long value chain loops"},
        {"Jet 3 long-value chain that loops", 2,
         [&](std::string& s, auto& l) {
             put32(s, rowOffset(s, l, l.lastChain[1]), l.lastChain[0]);
         },
         "damaged Jet file (long value chain loops"},
        {"code page", 2, [](std::string& s, auto&) { s[0x3C] ^= 1; },
         "Jet 3 text in code page 1250 is not supported"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto& f = fixtures[c.fixture];
        jetwriter::Layout layout;
        std::string bytes = jetwriter::write(f.tables, f.options, &layout);
        c.damage(bytes, layout);
        try {
            const JetFile file(bytes);
            for (const auto& name : file.tableNames())
                file.rows(name);
            ADD_FAILURE() << "read without an error";
        } catch (const jet::EJetError& e) {
            EXPECT_NE(e.message().find(c.error), std::string::npos) << e.message();
        }
    }
}

TEST(JetFile, RefusesAFileThatShrankWhileOpen) {
    const auto f = jetfixtures::all()[0];
    jetwriter::Layout layout;
    const WrittenFile written(jetwriter::write(f.tables, f.options, &layout));
    const JetFile file = JetFile::open(written.path);
    std::filesystem::resize_file(written.path, layout.dataPages.at("bdf")[2] * layout.pageSize);
    try {
        file.rows("bdf");
        ADD_FAILURE() << "read without an error";
    } catch (const jet::EDamaged& e) {
        EXPECT_NE(e.message().find("cut short: the file shrank while open"), std::string::npos)
            << e.message();
    }
}

TEST(JetFile, SkipsDeletedRowsFollowsMovedOnesAndNamesAMissingTable) {
    const auto f = jetfixtures::all()[0];
    jetwriter::Layout layout;
    std::string bytes = jetwriter::write(f.tables, f.options, &layout);
    const auto& pages = layout.dataPages.at("bdf");
    const std::size_t first = pages[0] * layout.pageSize, last = pages.back() * layout.pageSize;
    const std::size_t lastRows = u16(bytes, last + 12);
    // Row 1 deleted; row 2 moved to where row 0 of the last page is.
    bytes[first + 14 + 2 * 1 + 1] = static_cast<char>(bytes[first + 14 + 2 * 1 + 1] | 0x80);
    put32(bytes, first + (u16(bytes, first + 14 + 2 * 2) & 0x1FFF), pages.back() << 8);
    bytes[first + 14 + 2 * 2 + 1] = static_cast<char>(bytes[first + 14 + 2 * 2 + 1] | 0x40);
    const JetFile file(bytes);
    const auto rows = file.rows("BDF");
    ASSERT_EQ(rows.size(), 599u);
    EXPECT_EQ(rows[0], f.tables[1].rows[0]);
    EXPECT_EQ(rows[1], f.tables[1].rows[600 - lastRows]);
    EXPECT_EQ(rows[2], f.tables[1].rows[3]);
    try {
        file.rows("bdm");
        ADD_FAILURE() << "no error";
    } catch (const jet::ENoTable& e) {
        EXPECT_EQ(e.message(), "no table bdm in the Jet file");
    }
}

} // namespace
