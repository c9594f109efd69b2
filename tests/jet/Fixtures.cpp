#include "jet/Fixtures.h"

namespace jetfixtures {
namespace {

using jet::ColumnType;
using jet::DateTime;
using jet::Row;
using jetwriter::Column;
using jetwriter::MemoForm;
using jetwriter::Table;

std::string repeat(const std::string& piece, std::size_t times) {
    std::string s;
    for (std::size_t i = 0; i < times; ++i)
        s += piece;
    return s;
}

// Every type the reader decodes, with the three memo forms side by side.
Table types(bool beyondBmp) {
    Table t{"types",
            {{"flag", ColumnType::Boolean},
             {"small", ColumnType::Byte},
             {"short", ColumnType::Integer},
             {"long", ColumnType::Long},
             {"real", ColumnType::Double},
             {"when", ColumnType::DateTime},
             {"title", ColumnType::Text, 255},
             {"note", ColumnType::Memo, 0, MemoForm::Inline},
             {"page", ColumnType::Memo, 0, MemoForm::Single},
             {"chain", ColumnType::Memo, 0, MemoForm::Chain}},
            {}};
    t.rows.push_back(Row{true, std::uint8_t(255), std::int16_t(-12345), std::int32_t(2147483647),
                         3.25, DateTime{45000.5}, std::string("Привет, мир"),
                         std::string("короткая заметка \"в кавычках\""),
                         repeat("Страница памяти. ", 80),
                         repeat("Цепочка длинного значения; ", 200)});
    t.rows.push_back(Row{false, std::uint8_t(0), std::int16_t(0), std::int32_t(-1), -0.5,
                         DateTime{0.0}, std::string(), std::string(), std::string("x"),
                         std::string("y")});
    t.rows.push_back(Row{false, {}, {}, {}, {}, {}, {}, {}, {}, {}});
    t.rows.push_back(Row{true,
                         std::uint8_t(7),
                         std::int16_t(32767),
                         std::int32_t(-2147483647 - 1),
                         1e300,
                         DateTime{36526.75},
                         std::string(beyondBmp ? "ноты 𝄞 и улыбка 😀" : "ноты и улыбка"),
                         std::string("Mixed: abc Жж 123"),
                         {},
                         repeat("0123456789", 250)});
    return t;
}

// A catalogue-like table over many data pages, with a null and an empty title and the longest
// title text holds.
Table films(std::size_t count) {
    Table t{"bdf",
            {{"key", ColumnType::Long},
             {"films", ColumnType::Text, 255},
             {"fhttp", ColumnType::Text, 255}},
            {}};
    for (std::size_t i = 1; i <= count; ++i) {
        jet::Value title =
            "Фильм №" + std::to_string(i) + " (" + std::to_string(1950 + i % 70) + ")";
        if (i == 3)
            title = std::monostate{};
        else if (i == 4)
            title = std::string();
        else if (i == 5)
            title = repeat("Ё", 255);
        t.rows.push_back(Row{std::int32_t(i), title,
                             "http://video.example/film/" + std::to_string(i) + ".html"});
    }
    return t;
}

} // namespace

std::vector<Fixture> all(std::size_t filmRows) {
    std::vector<Fixture> out;
    jetwriter::Options jet4;
    out.push_back({"jet4", jet4, {types(true), films(filmRows)}});
    jetwriter::Options compressed;
    compressed.compressText = true;
    compressed.referenceMaps = true;
    out.push_back({"jet4-compressed", compressed, {types(true), films(filmRows)}});
    jetwriter::Options jet3;
    jet3.format = jet::Format::Jet3;
    jet3.codePage = 1251;
    out.push_back({"jet3-cp1251", jet3, {types(false), films(filmRows)}});
    return out;
}

std::string settings(jet::Format format) {
    const std::vector<Table> tables = {
        {"proxy",
         {{"key1", ColumnType::Long},
          {"adres", ColumnType::Text, 50},
          {"port", ColumnType::Text, 50},
          {"login", ColumnType::Text, 50},
          {"password", ColumnType::Text, 50},
          {"check", ColumnType::Boolean},
          {"note", ColumnType::Memo}},
         {Row{std::int32_t(1), std::string("прокси.test"), std::string("3128"), std::monostate{},
              std::string(), true, std::string("заметка")}}},
        {"autoupdate",
         {{"key1", ColumnType::Long}, {"autoupdatecheck", ColumnType::Boolean}},
         {Row{std::int32_t(1), false}}},
        {"extra",
         {{"key1", ColumnType::Long},
          {"when", ColumnType::DateTime},
          {"small", ColumnType::Byte},
          {"short", ColumnType::Integer},
          {"real", ColumnType::Double}},
         {Row{std::int32_t(5), DateTime{45000.25}, std::uint8_t(7), std::int16_t(-2), 2.5},
          Row{std::int32_t(2), {}, {}, {}, {}}}},
    };
    jetwriter::Options options;
    options.format = format;
    options.codePage = 1251;
    return jetwriter::write(tables, options);
}

} // namespace jetfixtures
