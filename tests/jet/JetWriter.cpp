#include "jet/JetWriter.h"

#include "platform/core/Cp1251.h"
#include "platform/core/Utf8.h"

#include <array>
#include <cstring>
#include <stdexcept>

namespace jetwriter {
namespace {

using jet::ColumnType;
using jet::Format;

void put16(std::string& s, std::size_t at, std::uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}
void put32(std::string& s, std::size_t at, std::uint32_t v) {
    put16(s, at, v & 0xFFFF);
    put16(s, at + 2, v >> 16);
}
void add16(std::string& s, std::uint32_t v) {
    s.append(2, '\0');
    put16(s, s.size() - 2, v);
}
void add32(std::string& s, std::uint32_t v) {
    s.append(4, '\0');
    put32(s, s.size() - 4, v);
}

void rc4(unsigned char* data, std::size_t n) {
    const unsigned char key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    std::array<unsigned char, 256> s;
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    unsigned j = 0;
    for (unsigned i = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    unsigned a = 0, b = 0;
    for (std::size_t k = 0; k < n; ++k) {
        a = (a + 1) & 0xFF;
        b = (b + s[a]) & 0xFF;
        std::swap(s[a], s[b]);
        data[k] ^= s[(s[a] + s[b]) & 0xFF];
    }
}

std::u16string toUtf16(const std::string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t used;
        const char32_t c = utf8::decode(reinterpret_cast<const unsigned char*>(text.data()) + i,
                                        text.size() - i, used);
        i += used;
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

int fixedSize(ColumnType t) {
    switch (t) {
    case ColumnType::Boolean:
        return 0;
    case ColumnType::Byte:
        return 1;
    case ColumnType::Integer:
        return 2;
    case ColumnType::Long:
        return 4;
    case ColumnType::Double:
    case ColumnType::DateTime:
        return 8;
    default:
        return -1;
    }
}

struct Writer {
    Options o;
    bool jet3;
    std::size_t pageSize;
    std::vector<std::string> pages;
    Layout* layout;

    std::size_t rowTableAt() const { return jet3 ? 10 : 14; }

    std::uint32_t newPage() {
        pages.emplace_back(pageSize, '\0');
        return static_cast<std::uint32_t>(pages.size() - 1);
    }

    std::string encodeText(const std::string& utf8) const {
        if (jet3) {
            if (o.codePage == 1251)
                return cp1251::fromUtf8(utf8);
            std::string out;
            for (char16_t u : toUtf16(utf8)) {
                if (u >= 0x100 || (u >= 0x80 && u < 0xA0))
                    throw std::invalid_argument("text outside the writer's code page 1252");
                out += static_cast<char>(u);
            }
            return out;
        }
        const std::u16string units = toUtf16(utf8);
        std::string plain;
        for (char16_t u : units) {
            plain += static_cast<char>(u & 0xFF);
            plain += static_cast<char>(u >> 8);
        }
        if (!o.compressText)
            return plain;
        // Runs of one-byte characters single, the others in two-byte runs between zero bytes.
        std::string packed = "\xFF\xFE";
        bool single = true;
        for (char16_t u : units) {
            if (u == 0 || (u > 0xFF && (u & 0xFF) == 0))
                return plain;
            const bool wantSingle = u <= 0xFF;
            if (wantSingle != single) {
                packed += '\0';
                single = wantSingle;
            }
            packed += static_cast<char>(u & 0xFF);
            if (!single)
                packed += static_cast<char>(u >> 8);
        }
        return packed.size() < plain.size() ? packed : plain;
    }

    // Data pages of one owner: rows are added in order and packed from each page's end.
    struct Sink {
        Sink(Writer* writer, std::string ownerBytes) : w(writer), owner(std::move(ownerBytes)) {}
        Writer* w;
        std::string owner; // four bytes
        std::uint32_t page = 0;
        std::vector<std::string> rows;
        std::size_t used = 0;
        std::vector<std::uint32_t> all;

        std::uint32_t add(const std::string& row) {
            const std::size_t header = w->rowTableAt();
            if (header + 2 + row.size() > w->pageSize)
                throw std::invalid_argument("row larger than a page");
            if (rows.empty() || rows.size() == 255 ||
                header + 2 * (rows.size() + 1) + used + row.size() > w->pageSize) {
                finish();
                page = w->newPage();
                all.push_back(page);
            }
            rows.push_back(row);
            used += row.size();
            return page << 8 | static_cast<std::uint32_t>(rows.size() - 1);
        }

        void finish() {
            if (rows.empty())
                return;
            std::string& p = w->pages[page];
            const std::size_t header = w->rowTableAt();
            p[0] = 1;
            p[1] = 1;
            put16(p, 2, static_cast<std::uint32_t>(w->pageSize - header - 2 * rows.size() - used));
            p.replace(4, 4, owner);
            put16(p, header - 2, static_cast<std::uint32_t>(rows.size()));
            std::size_t end = w->pageSize;
            for (std::size_t i = 0; i < rows.size(); ++i) {
                end -= rows[i].size();
                p.replace(end, rows[i].size(), rows[i]);
                put16(p, header + 2 * i, static_cast<std::uint32_t>(end));
            }
            rows.clear();
            used = 0;
        }
    };

    std::string longValue(const Column& c, const std::string& bytes, Sink& lval) {
        MemoForm form = c.memo;
        if (form == MemoForm::Auto)
            form = bytes.size() <= 200              ? MemoForm::Inline
                   : bytes.size() <= pageSize - 100 ? MemoForm::Single
                                                    : MemoForm::Chain;
        std::string field;
        const auto length = static_cast<std::uint32_t>(bytes.size());
        if (form == MemoForm::Inline) {
            add32(field, length | 0x80000000u);
            add32(field, 0);
            add32(field, 0);
            return field + bytes;
        }
        if (form == MemoForm::Single) {
            add32(field, length | 0x40000000u);
            add32(field, lval.add(bytes));
            add32(field, 0);
            return field;
        }
        // The links go in from the last, so that each knows where the next one went.
        std::vector<std::uint32_t> chain;
        std::uint32_t next = 0;
        const std::size_t links =
            bytes.empty() ? 1 : (bytes.size() + o.chainLink - 1) / o.chainLink;
        for (std::size_t k = links; k-- > 0;) {
            std::string row;
            add32(row, next);
            row += bytes.substr(k * o.chainLink, o.chainLink);
            next = lval.add(row);
            chain.insert(chain.begin(), next);
        }
        if (layout)
            layout->lastChain = chain;
        add32(field, length);
        add32(field, next);
        add32(field, 0);
        return field;
    }

    struct Shape {
        std::vector<int> fixedOffset, varIndex;
        int varCount = 0;
    };

    static Shape shapeOf(const std::vector<Column>& columns) {
        Shape s;
        int fixed = 0;
        for (const Column& c : columns) {
            const int size = fixedSize(c.type);
            s.fixedOffset.push_back(size >= 0 ? fixed : 0);
            s.varIndex.push_back(size >= 0 ? 0 : s.varCount);
            if (size >= 0)
                fixed += size;
            else
                ++s.varCount;
        }
        return s;
    }

    std::string encodeRow(const Table& t, const Shape& shape, const jet::Row& values, Sink& lval) {
        const std::size_t n = t.columns.size();
        if (values.size() != n)
            throw std::invalid_argument("row of table " + t.name + " has the wrong field count");
        const std::size_t prefix = jet3 ? 1 : 2;
        std::string row(prefix, '\0');
        if (jet3)
            row[0] = static_cast<char>(n);
        else
            put16(row, 0, static_cast<std::uint32_t>(n));
        std::string mask((n + 7) / 8, '\0');
        std::vector<std::string> var(static_cast<std::size_t>(shape.varCount));
        for (std::size_t i = 0; i < n; ++i) {
            const Column& c = t.columns[i];
            const jet::Value& v = values[i];
            const bool null = std::holds_alternative<std::monostate>(v);
            bool bit = !null;
            std::string bytes;
            switch (c.type) {
            case ColumnType::Boolean:
                bit = !null && std::get<bool>(v);
                break;
            case ColumnType::Byte:
                bytes.assign(1, null ? '\0' : static_cast<char>(std::get<std::uint8_t>(v)));
                break;
            case ColumnType::Integer:
                bytes.assign(2, '\0');
                put16(bytes, 0, null ? 0 : static_cast<std::uint16_t>(std::get<std::int16_t>(v)));
                break;
            case ColumnType::Long:
                bytes.assign(4, '\0');
                put32(bytes, 0, null ? 0 : static_cast<std::uint32_t>(std::get<std::int32_t>(v)));
                break;
            case ColumnType::Double:
            case ColumnType::DateTime: {
                const double d = null                           ? 0
                                 : c.type == ColumnType::Double ? std::get<double>(v)
                                                                : std::get<jet::DateTime>(v).days;
                bytes.assign(8, '\0');
                std::memcpy(&bytes[0], &d, 8);
                break;
            }
            case ColumnType::Text:
                if (!null)
                    bytes = encodeText(std::get<std::string>(v));
                break;
            case ColumnType::Memo:
                if (!null)
                    bytes = longValue(c, encodeText(std::get<std::string>(v)), lval);
                break;
            case ColumnType::Ole:
                if (!null)
                    bytes = longValue(c, std::get<jet::Binary>(v).bytes, lval);
                break;
            default:
                throw std::invalid_argument("type the writer lacks");
            }
            if (bit)
                mask[i / 8] = static_cast<char>(mask[i / 8] | 1 << (i % 8));
            if (fixedSize(c.type) >= 0)
                row += bytes;
            else
                var[static_cast<std::size_t>(shape.varIndex[i])] = bytes;
        }
        if (shape.varCount == 0)
            return row + mask;
        std::vector<std::size_t> offsets;
        for (const std::string& bytes : var) {
            offsets.push_back(row.size());
            row += bytes;
        }
        offsets.push_back(row.size()); // the end of the data
        const std::size_t end = row.size();
        if (!jet3) {
            for (std::size_t i = offsets.size(); i-- > 0;)
                add16(row, static_cast<std::uint32_t>(offsets[i]));
            add16(row, static_cast<std::uint32_t>(shape.varCount));
            return row + mask;
        }
        // One-byte offsets, and a jump table that says at which entry each further 256 starts.
        std::size_t jumps = 0;
        for (int k = 0; k < 8; ++k)
            jumps = (end + offsets.size() + jumps + 1 + mask.size() - 1) / 256;
        for (std::size_t i = offsets.size(); i-- > 0;)
            row += static_cast<char>(offsets[i] & 0xFF);
        for (std::size_t j = jumps; j-- > 0;) {
            unsigned char first = 0xFF;
            for (std::size_t i = 0; i < offsets.size(); ++i)
                if (offsets[i] >= 256 * (j + 1)) {
                    first = static_cast<unsigned char>(i);
                    break;
                }
            row += static_cast<char>(first);
        }
        row += static_cast<char>(shape.varCount);
        return row + mask;
    }

    void definition(std::uint32_t page, const std::vector<Column>& columns, std::size_t rowCount,
                    std::uint32_t usageMap, bool system) {
        const Shape shape = shapeOf(columns);
        std::string d(jet3 ? 0x2B : 0x3F, '\0');
        d[0] = 2;
        d[1] = 1;
        if (jet3) {
            d[2] = 'V';
            d[3] = 'C';
        }
        const std::size_t base = jet3 ? 0x0C : 0x10;
        put32(d, base, static_cast<std::uint32_t>(rowCount));
        const std::size_t at = jet3 ? 0x14 : 0x28;
        d[at] = system ? 0x53 : 0x4E;
        put16(d, at + 1, static_cast<std::uint32_t>(columns.size()));
        put16(d, at + 3, static_cast<std::uint32_t>(shape.varCount));
        put16(d, at + 5, static_cast<std::uint32_t>(columns.size()));
        put32(d, at + 15, usageMap);
        put32(d, at + 19, usageMap);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const Column& c = columns[i];
            const int size = fixedSize(c.type);
            const int length = size > 0                     ? size
                               : size == 0                  ? 1
                               : c.type == ColumnType::Text ? c.size * (jet3 ? 1 : 2)
                                                            : 0;
            const std::uint32_t flags = (size >= 0 ? 0x01 : 0) | 0x02;
            std::string r(jet3 ? 18 : 25, '\0');
            r[0] = static_cast<char>(c.type);
            const std::size_t o = jet3 ? 0 : 4;
            put16(r, o + 1, static_cast<std::uint32_t>(i));
            put16(r, o + 3, static_cast<std::uint32_t>(shape.varIndex[i]));
            put16(r, o + 5, static_cast<std::uint32_t>(i));
            if (c.type == ColumnType::Text || c.type == ColumnType::Memo) {
                put16(r, o + 7, 0x409);
                if (jet3)
                    put16(r, o + 9, static_cast<std::uint32_t>(this->o.codePage));
            }
            r[jet3 ? 13 : 15] = static_cast<char>(flags);
            if (!jet3 && this->o.compressText &&
                (c.type == ColumnType::Text || c.type == ColumnType::Memo))
                r[16] = 1;
            put16(r, jet3 ? 14 : 21, static_cast<std::uint32_t>(shape.fixedOffset[i]));
            put16(r, jet3 ? 16 : 23, static_cast<std::uint32_t>(length));
            d += r;
        }
        for (const Column& c : columns) {
            if (jet3) {
                const std::string name = encodeText(c.name);
                d += static_cast<char>(name.size());
                d += name;
            } else {
                std::string name;
                for (char16_t u : toUtf16(c.name)) {
                    name += static_cast<char>(u & 0xFF);
                    name += static_cast<char>(u >> 8);
                }
                add16(d, static_cast<std::uint32_t>(name.size()));
                d += name;
            }
        }
        add16(d, 0xFFFF);
        if (d.size() > pageSize)
            throw std::invalid_argument("table definition larger than a page");
        put32(d, 8, static_cast<std::uint32_t>(d.size()));
        if (!jet3)
            put16(d, 2, static_cast<std::uint32_t>(pageSize - d.size() - 8));
        pages[page].replace(0, d.size(), d);
    }

    // A page usage map: inline (the first page, then a bit per page from it), or with
    // `referenceMaps` a list of map pages, each mapping the pages after the previous one's.
    std::string usageMap(const std::vector<std::uint32_t>& used) {
        if (!o.referenceMaps) {
            std::string m(1, '\0');
            const std::uint32_t start = used.empty() ? 0 : used.front();
            add32(m, start);
            if (!used.empty())
                m.append((used.back() - start) / 8 + 1, '\0');
            for (std::uint32_t p : used)
                m[5 + (p - start) / 8] =
                    static_cast<char>(m[5 + (p - start) / 8] | 1 << ((p - start) % 8));
            return m;
        }
        const std::size_t perPage = (pageSize - 4) * 8;
        std::string m(1, '\1');
        std::map<std::size_t, std::uint32_t> mapPages;
        for (std::uint32_t p : used) {
            auto it = mapPages.find(p / perPage);
            if (it == mapPages.end()) {
                it = mapPages.emplace(p / perPage, newPage()).first;
                pages[it->second][0] = 5;
                pages[it->second][1] = 1;
            }
            std::string& page = pages[it->second];
            page[4 + p % perPage / 8] = static_cast<char>(page[4 + p % perPage / 8] | 1 << (p % 8));
        }
        const std::size_t entries = mapPages.empty() ? 0 : mapPages.rbegin()->first + 1;
        for (std::size_t k = 0; k < entries; ++k)
            add32(m, mapPages.count(k) ? mapPages[k] : 0);
        return m;
    }

    void header() {
        std::string& h = pages[0];
        h.replace(0, 4, std::string("\0\1\0\0", 4));
        h.replace(4, 16, std::string("Standard Jet DB\0", 16));
        put32(h, 0x14, o.version != 0xFFFF ? o.version : jet3 ? 0 : 1);
        put16(h, 0x3C, jet3 ? static_cast<std::uint32_t>(o.codePage) : 1252);
        put32(h, 0x3E, o.databaseKey);
        const double created = 45000.25;
        if (!jet3)
            std::memcpy(&h[0x72], &created, 8);
        const auto mask = static_cast<std::uint32_t>(static_cast<std::int32_t>(created));
        for (std::size_t i = 0; i < (jet3 ? 20u : 40u); ++i) {
            unsigned char b = 0;
            if (jet3)
                b = i < o.password.size() ? static_cast<unsigned char>(o.password[i]) : 0;
            else if (i % 2 == 0 && i / 2 < o.password.size())
                b = static_cast<unsigned char>(o.password[i / 2]);
            if (!jet3)
                b ^= static_cast<unsigned char>(mask >> (8 * (i % 4)));
            h[0x42 + i] = static_cast<char>(b);
        }
        rc4(reinterpret_cast<unsigned char*>(&h[0x18]), jet3 ? 126 : 128);
    }
};

} // namespace

std::string write(const std::vector<Table>& tables, const Options& options, Layout* layout) {
    Writer w{options,
             options.format == Format::Jet3,
             options.format == Format::Jet3 ? std::size_t(2048) : std::size_t(4096),
             {},
             layout};
    if (layout)
        *layout = Layout{};
    w.newPage(); // 0: the header
    w.newPage(); // 1: the page usage maps, one row per table
    w.newPage(); // 2: the catalogue's definition
    const std::string lvalOwner = "LVAL";
    std::vector<std::vector<std::uint32_t>> used;
    std::vector<std::uint32_t> definitionPages;
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const Table& t = tables[i];
        const std::uint32_t def = w.newPage();
        definitionPages.push_back(def);
        std::string owner(4, '\0');
        put32(owner, 0, def);
        Writer::Sink data{&w, owner}, lval{&w, lvalOwner};
        const Writer::Shape shape = Writer::shapeOf(t.columns);
        for (const jet::Row& r : t.rows)
            data.add(w.encodeRow(t, shape, r, lval));
        data.finish();
        lval.finish();
        w.definition(def, t.columns, t.rows.size(), 1u << 8 | static_cast<std::uint32_t>(i + 1),
                     false);
        used.push_back(data.all);
        if (layout) {
            layout->definitionPage[t.name] = def;
            layout->dataPages[t.name] = data.all;
        }
    }
    // The catalogue: the tables' folder, itself, the user tables.
    using jet::Row;
    const std::vector<Column> catalogueColumns = {{"Id", ColumnType::Long},
                                                  {"ParentId", ColumnType::Long},
                                                  {"Name", ColumnType::Text, 128},
                                                  {"Type", ColumnType::Integer},
                                                  {"DateCreate", ColumnType::DateTime},
                                                  {"DateUpdate", ColumnType::DateTime},
                                                  {"Flags", ColumnType::Long},
                                                  {"LvProp", ColumnType::Ole}};
    Table catalogue{"MSysObjects", catalogueColumns, {}};
    const jet::DateTime when{45000.25};
    const std::int32_t folder = 0x0F000001;
    catalogue.rows.push_back(Row{folder,
                                 std::int32_t(0x0F000000),
                                 std::string("Tables"),
                                 std::int16_t(3),
                                 when,
                                 when,
                                 std::int32_t(0),
                                 {}});
    catalogue.rows.push_back(Row{std::int32_t(2),
                                 folder,
                                 std::string("MSysObjects"),
                                 std::int16_t(1),
                                 when,
                                 when,
                                 std::int32_t(0x80000000u),
                                 {}});
    for (std::size_t i = 0; i < tables.size(); ++i)
        catalogue.rows.push_back(Row{std::int32_t(definitionPages[i]),
                                     folder,
                                     tables[i].name,
                                     std::int16_t(1),
                                     when,
                                     when,
                                     std::int32_t(0),
                                     {}});
    std::string owner(4, '\0');
    put32(owner, 0, 2);
    Writer::Sink data{&w, owner}, lval{&w, lvalOwner};
    const Writer::Shape shape = Writer::shapeOf(catalogueColumns);
    for (const Row& r : catalogue.rows)
        data.add(w.encodeRow(catalogue, shape, r, lval));
    data.finish();
    w.definition(2, catalogueColumns, catalogue.rows.size(), 1u << 8 | 0u, true);

    Writer::Sink maps{&w, std::string(4, '\0')};
    maps.page = 1;
    maps.rows.push_back(w.usageMap(data.all));
    maps.used = maps.rows.back().size();
    for (const auto& pages : used) {
        const std::uint32_t at = maps.add(w.usageMap(pages));
        if (at >> 8 != 1)
            throw std::invalid_argument("page usage maps larger than a page");
    }
    maps.finish();
    w.header();
    std::string file;
    for (const std::string& p : w.pages)
        file += p;
    if (layout)
        layout->pageSize = w.pageSize;
    return file;
}

} // namespace jetwriter
