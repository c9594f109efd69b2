// The test writer checked against an independent reader, mdbtools' command-line tools: every
// fixture's tables come back from mdb-tables, and every row from mdb-export, exactly as far as
// mdb-export can show them. It merges null and the empty text and shows each half of a
// surrogate pair as "?", so those are compared in that form.
#include "jet/Fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[65536];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return out;
}

// CSV records: fields split at commas outside quotes, "" for a quote inside them.
std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                records.back().back() += text[++i];
            else if (c == '"')
                quoted = false;
            else
                records.back().back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            records.back().emplace_back();
        } else if (c == '\n') {
            records.emplace_back(1);
        } else {
            records.back().back() += c;
        }
    }
    if (records.back().size() == 1 && records.back()[0].empty())
        records.pop_back();
    return records;
}

std::string dateText(double days) {
    const auto seconds = static_cast<long long>(std::llround(days * 86400));
    long long z = seconds / 86400 - 25569 + 719468; // days from 0000-03-01
    const long long secs = seconds % 86400;
    const long long era = z / 146097, doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
    const long long d = doy - (153 * mp + 2) / 5 + 1, m = mp < 10 ? mp + 3 : mp - 9;
    const long long y = yoe + era * 400 + (m <= 2);
    char out[128];
    std::snprintf(out, sizeof out, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", y, m, d,
                  secs / 3600, secs / 60 % 60, secs % 60);
    return out;
}

// A value as mdb-export shows it with "~" for null.
std::string exported(const jet::Value& v) {
    struct Visit {
        std::string operator()(std::monostate) const { return "~"; }
        std::string operator()(bool b) const { return b ? "1" : "0"; }
        std::string operator()(std::uint8_t x) const { return std::to_string(x); }
        std::string operator()(std::int16_t x) const { return std::to_string(x); }
        std::string operator()(std::int32_t x) const { return std::to_string(x); }
        std::string operator()(double) const { return "number"; }
        std::string operator()(jet::DateTime d) const { return dateText(d.days); }
        std::string operator()(const jet::Binary&) const { return "binary"; }
        std::string operator()(const std::string& s) const {
            if (s.empty())
                return "~";
            std::string out;
            for (std::size_t i = 0; i < s.size(); ++i) {
                if ((static_cast<unsigned char>(s[i]) & 0xF8) == 0xF0) {
                    out += "??";
                    i += 3;
                } else {
                    out += s[i];
                }
            }
            return out;
        }
    };
    return std::visit(Visit{}, v);
}

TEST(JetOracle, MdbExportReadsEveryFixtureAsWritten) {
    ASSERT_EQ(std::system("command -v mdb-export >/dev/null && command -v mdb-tables >/dev/null"),
              0)
        << "mdbtools is not installed (scripts/deps.sh test installs it)";
    const auto dir =
        std::filesystem::temp_directory_path() / ("zantrel-jet-oracle-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    for (const auto& f : jetfixtures::all()) {
        SCOPED_TRACE(f.name);
        const std::string path = (dir / (f.name + ".mdb")).string();
        std::ofstream(path, std::ios::binary) << jetwriter::write(f.tables, f.options);
        std::string names;
        for (const auto& t : f.tables)
            names += t.name + "\n";
        EXPECT_EQ(run("mdb-tables -1 '" + path + "'"), names);
        for (const auto& t : f.tables) {
            SCOPED_TRACE(t.name);
            const auto records = parseCsv(
                run("mdb-export -H -0 '~' -T '%Y-%m-%d %H:%M:%S' '" + path + "' " + t.name));
            ASSERT_EQ(records.size(), t.rows.size());
            for (std::size_t r = 0; r < records.size(); ++r) {
                ASSERT_EQ(records[r].size(), t.columns.size()) << "row " << r;
                for (std::size_t c = 0; c < t.columns.size(); ++c) {
                    const jet::Value& v = t.rows[r][c];
                    if (const auto* d = std::get_if<double>(&v))
                        EXPECT_DOUBLE_EQ(std::strtod(records[r][c].c_str(), nullptr), *d);
                    else
                        EXPECT_EQ(records[r][c], exported(v)) << "row " << r << " field " << c;
                }
            }
        }
    }
    std::filesystem::remove_all(dir);
}

} // namespace
