#include "pages/Description.h"

#include "pages/Markers.h"

std::string describe(const std::string& pageText) {
    return cut(pageText, markers::kDescription);
}
