#pragma once
// The one text operation that takes information out of a web page: keep what lies
// between a start marker and an end marker. Markers are literals matched exactly and
// case-sensitively; each byte of the page is one character.
#include <string>

// Keeps the text after the first `start` up to the first `end` that follows it.
//
// The front count is the number of characters that are dropped after the position of
// `start` besides the first one; callers pass start.size() - 1, so that exactly the
// marker is dropped. The rules for missing markers are part of the contract:
//   - `start` missing: the first `frontCount` characters are dropped instead;
//   - `end` missing: everything to the end of the text is kept;
//   - both missing: the text without its first `frontCount` characters.
// An empty marker counts as missing; a negative front count counts as zero.
std::string cut(const std::string& text, const std::string& start, int frontCount,
                const std::string& end);
