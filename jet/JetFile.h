#pragma once
// A read-only reader of Jet files: Jet 3 (Access 97) and Jet 4 (Access 2000-2003). It reads
// the list of user tables from the system catalogue (MSysObjects), a table's column
// definitions, and every row of a table in the order the file holds them: data page by data
// page, row by row in each page, whatever indexes the table has.
//
// A file opened by name is kept open and never changed; each call reads the pages it needs when
// it needs them and keeps only those of the row at hand and a few more. Everything read from it
// (offsets, lengths, page numbers, chains) is checked before use, against the file's size when it
// was opened; a table whose rows cannot all be read, a file that shrank while open too, fails as a
// whole. A `JetFile` is immutable once made, so its const members may be called from several
// threads at once.
#include "platform/core/Exception.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace jet {

// Every failure of the reader; the message names what is wrong.
ZANTREL_EXCEPTION(EJetError, EDatabaseError);
// "not a SQLite or Jet database": no header the reader knows.
ZANTREL_EXCEPTION(ENotDatabase, EJetError);
// An Access 2007 or later file, a Jet version, code page or column type the reader lacks.
ZANTREL_EXCEPTION(EUnsupported, EJetError);
// "encrypted Jet file" or "password-protected Jet file".
ZANTREL_EXCEPTION(EEncrypted, EJetError);
// "damaged Jet file (...)": the file contradicts itself or ends early.
ZANTREL_EXCEPTION(EDamaged, EJetError);
// A table the catalogue does not list.
ZANTREL_EXCEPTION(ENoTable, EJetError);

enum class Format { SQLite, Jet3, Jet4 };

// The format named by a file's first bytes (at least its first 152 bytes for a Jet file, the
// header page or more). Throws ENotDatabase for anything else (an empty file too), EUnsupported
// for an Access 2007+ file or an unknown Jet version, EEncrypted for an encrypted or
// password-protected Jet file.
Format detectFormat(std::string_view firstBytes);
// The same for the file at `path` (reads its first page); EJetError when it cannot be read.
Format detectFileFormat(const std::string& path);

// Column types as the table definitions number them.
enum class ColumnType : std::uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03, // 16 bits
    Long = 0x04,    // 32 bits
    Money = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    Ole = 0x0B,
    Memo = 0x0C,
    Guid = 0x0F,
    Numeric = 0x10,
};

struct Column {
    std::string name; // UTF-8
    ColumnType type;  // may be a number outside the list above
    int number = 0;   // the column's number in its rows (their null mask)
    int size = 0;     // declared size in bytes (two per character for Jet 4 text; 0 for memo)
    int order = 0;    // 0, 1, 2...: position in the table's field list
};

// A date-time: days since 1899-12-30, the time of day as the fraction.
struct DateTime {
    double days = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};
// Binary, OLE and GUID values: the bytes as stored.
struct Binary {
    std::string bytes;
    friend bool operator==(const Binary&, const Binary&) = default;
};

// A field's value: null (monostate), Boolean, byte, 16-bit and 32-bit integers, double (Single
// widened), date-time, text and memo as UTF-8, or bytes. Null and the empty text differ.
using Value = std::variant<std::monostate, bool, std::uint8_t, std::int16_t, std::int32_t, double,
                           DateTime, std::string, Binary>;
using Row = std::vector<Value>; // in field order (`Column::order`)

// Where a JetFile's pages come from: the file, or bytes in memory.
class PageSource;

class JetFile {
public:
    // Reads the header and the catalogue of `bytes`, a whole Jet file. Throws as
    // detectFormat does (a SQLite file gives ENotDatabase "SQLite database, not a Jet file"),
    // and EDamaged when the header page or the catalogue cannot be read.
    explicit JetFile(std::string bytes);
    // The file at `path`, kept open while the JetFile (or a copy of it) lives. EJetError when
    // it cannot be opened or read.
    static JetFile open(const std::string& path);

    Format format() const { return format_; }
    // The code page the header names for Jet 3 text (0 when none).
    int codePage() const { return codePage_; }
    // The user tables, in the catalogue's order.
    std::vector<std::string> tableNames() const;
    bool hasTable(std::string_view name) const;
    // The fields of a table, in order. Table names are matched without regard to ASCII case.
    // ENoTable when there is no such table.
    std::vector<Column> columns(std::string_view table) const;
    // Every row of the table, in file order, every field decoded. Throws rather than return
    // fewer rows than the file holds.
    std::vector<Row> rows(std::string_view table) const;
    // The same one row at a time, for a caller that keeps the values in a form of its own.
    // When it throws, the rows handed over before belong to a table that could not be read
    // whole: the caller drops them.
    void readRows(std::string_view table, const std::function<void(Row&&)>& onRow) const;

    struct TableEntry {
        std::string name;
        std::uint32_t definitionPage;
    };

private:
    explicit JetFile(std::shared_ptr<const PageSource> source);

    std::shared_ptr<const PageSource> source_;
    Format format_;
    int codePage_ = 0;
    std::vector<TableEntry> tables_;

    const TableEntry& entry(std::string_view table) const;
};

} // namespace jet
