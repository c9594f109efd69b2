#pragma once
// A Jet copy of a SQLite store, for the tests and the search benchmark: the same tables, fields
// and rows (integer, Boolean, date and text fields; text longer than a text field in a memo).
#include "jet/JetFile.h"

#include <QString>
#include <string>

namespace jetwriter {
struct Options;
struct Layout;
} // namespace jetwriter

// A Jet file with every table of the SQLite store at `from`, rows in row id order; Jet 3 text
// in code page 1251, Jet 4 text compressed where it is shorter.
std::string jetCopyOf(const QString& from, jet::Format format);
std::string jetCopyOf(const QString& from, jetwriter::Options options,
                      jetwriter::Layout* layout = nullptr);
