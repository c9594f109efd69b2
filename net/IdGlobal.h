#pragma once
// Small text, date and encoding helpers shared by the network classes. All texts are
// 8-bit byte strings; case-insensitive operations fold ASCII letters only.
#include <cstdint>
#include <string>
#include <string_view>

// Days since 1899-12-30 00:00 (UTC here), the runtime's date-time value; 0 means "not set".
using TDateTime = double;

namespace idglobal {

std::string trim(std::string_view s);
std::string upperCase(std::string_view s);
bool sameText(std::string_view a, std::string_view b);
// Whether the text holds a CR, LF or NUL byte: text that must never reach a header line.
bool hasLineBreakOrNul(std::string_view s);

// Strict decimal reading: optional sign and digits only, within 64 bits.
bool tryDecimal(std::string_view s, std::int64_t& value);
// Four dot-separated decimal numbers from 0 to 255.
bool isDottedQuad(std::string_view s);

// Date-time conversions.
TDateTime unixToDateTime(std::int64_t seconds);
std::int64_t dateTimeToUnix(TDateTime value);
TDateTime nowDateTime();
// "Sun, 06 Nov 1994 08:49:37 GMT".
std::string dateTimeToInternetText(TDateTime value);
// Reads the usual HTTP date forms (RFC 1123, RFC 850, the C library's asctime and the
// Netscape cookie form); returns false for text it cannot read.
bool tryInternetDate(std::string_view text, TDateTime& value);
// The same, 0 for unreadable text.
TDateTime internetDateOrZero(std::string_view text);

} // namespace idglobal
