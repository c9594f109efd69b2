#pragma once
// Writes small Jet 3 and Jet 4 files for the tests: the tables, columns and rows a test gives,
// a system catalogue (MSysObjects) that other readers accept, no indexes. Text goes in either
// Jet 4 form (two-byte or compressed), memo inline or on long-value pages (one row or a chain).
#include "jet/JetFile.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace jetwriter {

enum class MemoForm { Auto, Inline, Single, Chain };

struct Column {
    std::string name;
    jet::ColumnType type;
    int size = 0; // characters, for text
    MemoForm memo = MemoForm::Auto;
};

struct Table {
    std::string name;
    std::vector<Column> columns;
    std::vector<jet::Row> rows; // values of the variant alternative the column's type reads as
};

struct Options {
    jet::Format format = jet::Format::Jet4;
    bool compressText = false; // Jet 4: the compressed form wherever it is shorter
    int codePage = 1252;       // Jet 3: the header's code page, 1251 or 1252
    std::uint32_t databaseKey = 0;
    std::string password;           // ASCII
    std::size_t chainLink = 1000;   // bytes of a long value per row of a chain
    std::uint32_t version = 0xFFFF; // the header's version field; default: the format's
    bool referenceMaps = false;     // page usage maps on pages of their own
};

// Where the writer put things, for tests that damage a file on purpose.
struct Layout {
    std::size_t pageSize = 0;
    std::map<std::string, std::uint32_t> definitionPage;
    std::map<std::string, std::vector<std::uint32_t>> dataPages;
    std::vector<std::uint32_t> lastChain; // row pointers of the last chained long value, in order
};

std::string write(const std::vector<Table>& tables, const Options& options = {},
                  Layout* layout = nullptr);

} // namespace jetwriter
