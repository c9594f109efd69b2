#include "net/IdGlobal.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace idglobal {

namespace {
constexpr double kSecondsPerDay = 86400.0;
// Days from 1899-12-30 to 1970-01-01.
constexpr double kUnixEpochDays = 25569.0;

inline char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
// Blanks and control characters are trimmed, as the runtime's trim does.
inline bool isTrimmed(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

int monthIndex(std::string_view token) {
    static const char* const names[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                        "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    if (token.size() < 3)
        return -1;
    const std::string head = upperCase(token.substr(0, 3));
    for (int i = 0; i < 12; ++i)
        if (head == names[i])
            return i + 1;
    return -1;
}

bool readSmall(std::string_view s, int& value) {
    if (s.empty() || s.size() > 9)
        return false;
    int v = 0;
    for (char c : s) {
        if (!isDigit(c))
            return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}
} // namespace

std::string trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isTrimmed(s[b]))
        ++b;
    while (e > b && isTrimmed(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string upperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = upper(c);
    return r;
}

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

bool hasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool tryDecimal(std::string_view s, std::int64_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i >= s.size())
        return false;
    std::int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (!isDigit(s[i]))
            return false;
        const int digit = s[i] - '0';
        if (v > (INT64_MAX - digit) / 10)
            return false;
        v = v * 10 + digit;
    }
    value = negative ? -v : v;
    return true;
}

bool isDottedQuad(std::string_view s) {
    int parts = 0;
    std::size_t i = 0;
    while (true) {
        std::size_t start = i;
        int v = 0;
        while (i < s.size() && isDigit(s[i]) && i - start < 3) {
            v = v * 10 + (s[i] - '0');
            ++i;
        }
        if (i == start || v > 255 || (i < s.size() && isDigit(s[i])))
            return false;
        ++parts;
        if (i == s.size())
            return parts == 4;
        if (s[i] != '.' || parts == 4)
            return false;
        ++i;
    }
}

TDateTime unixToDateTime(std::int64_t seconds) {
    return kUnixEpochDays + static_cast<double>(seconds) / kSecondsPerDay;
}

std::int64_t dateTimeToUnix(TDateTime value) {
    return static_cast<std::int64_t>(std::floor((value - kUnixEpochDays) * kSecondsPerDay + 0.5));
}

TDateTime nowDateTime() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return kUnixEpochDays + (static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9) / kSecondsPerDay;
}

std::string dateTimeToInternetText(TDateTime value) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // Whole seconds, cut rather than rounded, so that a time is never written later than it is.
    const time_t t =
        static_cast<time_t>(std::floor((value - kUnixEpochDays) * kSecondsPerDay + 1e-4));
    tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &t);
#else
    gmtime_r(&t, &parts);
#endif
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d GMT", days[parts.tm_wday],
                  parts.tm_mday, months[parts.tm_mon], parts.tm_year + 1900, parts.tm_hour,
                  parts.tm_min, parts.tm_sec);
    return buf;
}

bool tryInternetDate(std::string_view text, TDateTime& value) {
    // Split into tokens at blanks, commas and dashes; a token with ':' is the time of day.
    std::vector<std::string_view> tokens;
    const auto isSeparator = [](char c) { return c == ' ' || c == ',' || c == '\t' || c == '-'; };
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        // A dash right after a blank and before digits is the sign of a zone offset.
        const bool sign = c == '-' && (i == 0 || text[i - 1] == ' ') && i + 1 < text.size() &&
                          isDigit(text[i + 1]);
        if (isSeparator(c) && !sign) {
            ++i;
            continue;
        }
        const std::size_t start = i++;
        while (i < text.size() && !isSeparator(text[i]))
            ++i;
        tokens.push_back(text.substr(start, i - start));
    }
    int day = -1, month = -1, year = -1, hour = -1, minute = 0, second = 0;
    int offsetMinutes = 0;
    for (std::string_view t : tokens) {
        if (t.find(':') != std::string_view::npos) {
            if (hour >= 0)
                return false;
            std::size_t c1 = t.find(':');
            std::size_t c2 = t.find(':', c1 + 1);
            if (!readSmall(t.substr(0, c1), hour))
                return false;
            if (c2 == std::string_view::npos) {
                if (!readSmall(t.substr(c1 + 1), minute))
                    return false;
            } else if (!readSmall(t.substr(c1 + 1, c2 - c1 - 1), minute) ||
                       !readSmall(t.substr(c2 + 1), second)) {
                return false;
            }
            continue;
        }
        if ((t[0] == '+' || t[0] == '-') && t.size() == 5) {
            int hhmm = 0;
            if (!readSmall(t.substr(1), hhmm))
                return false;
            offsetMinutes = (hhmm / 100) * 60 + hhmm % 100;
            if (t[0] == '-')
                offsetMinutes = -offsetMinutes;
            continue;
        }
        if (isDigit(t[0])) {
            int v = 0;
            if (!readSmall(t, v))
                return false;
            if (t.size() <= 2 && day < 0)
                day = v;
            else if (year < 0)
                year = t.size() <= 2 ? (v < 50 ? 2000 + v : 1900 + v) : v;
            else
                return false;
            continue;
        }
        const int m = monthIndex(t);
        if (m > 0 && month < 0 && t.size() <= 9) {
            month = m;
            continue;
        }
        // Week-day names and zone names (GMT, UTC, Z) carry nothing more.
    }
    if (day < 1 || day > 31 || month < 1 || year < 1601 || year > 9999 || hour < 0 || hour > 23 ||
        minute > 59 || second > 60)
        return false;
    const std::int64_t seconds =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
        hour * 3600 + minute * 60 + second - offsetMinutes * 60;
    value = unixToDateTime(seconds);
    return true;
}

TDateTime internetDateOrZero(std::string_view text) {
    TDateTime v = 0;
    return tryInternetDate(text, v) ? v : 0;
}

} // namespace idglobal
