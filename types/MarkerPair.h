#pragma once
// A pair of markers by which a piece is taken out of a web page (pages/Cut.h).
#include <string_view>

struct MarkerPair {
    std::string_view start;
    std::string_view end;
    // Every cut drops exactly the start marker.
    constexpr int frontCount() const { return static_cast<int>(start.size()) - 1; }
};
