#include <gtest/gtest.h>

#include "pages/Cut.h"
#include "pages/Markers.h"
#include "types/Category.h"

namespace {

struct CutCase {
    const char* name;
    std::string text;
    std::string start;
    int front;
    std::string end;
    std::string expected;
};

void PrintTo(const CutCase& c, std::ostream* os) {
    *os << c.name;
}

class CutTable : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutTable, KeepsWhatTheRulesSay) {
    const CutCase& c = GetParam();
    EXPECT_EQ(cut(c.text, c.start, c.front, c.end), c.expected);
}

const std::string kS = "file=http://";
const std::string kE = ".flv";

INSTANTIATE_TEST_SUITE_P(
    Markers, CutTable,
    ::testing::Values(
        CutCase{"BothPresent", "xx file=http://host/a/b.flv yy", kS, 11, kE, "host/a/b"},
        CutCase{"StartAtVeryBeginning", "file=http://h.flv", kS, 11, kE, "h"},
        CutCase{"EndRightAfterStart", "abcfile=http://.flvzz", kS, 11, kE, ""},
        CutCase{"EndMissing", "abc file=http://host/x.mp4 tail", kS, 11, kE, "host/x.mp4 tail"},
        CutCase{"StartMissingDropsFrontCount", "0123456789ABCDEF.flv rest", kS, 11, kE, "BCDEF"},
        CutCase{"BothMissing", "0123456789ABCDEF", kS, 11, kE, "BCDEF"},
        CutCase{"StartMissingShortText", "0123456789A", kS, 11, kE, ""},
        CutCase{"StartMissingTextShorterThanFront", "abc", kS, 11, kE, ""},
        CutCase{"EmptyText", "", kS, 11, kE, ""},
        CutCase{"StartMissingEndInsideFront", "a.flv567890123x.flv", kS, 11, kE, "123x"},
        CutCase{"EndBeforeStartDoesNotCount", "a.flv file=http://h/v.flv b", kS, 11, kE, "h/v"},
        CutCase{"OnlyFirstStartCounts", "file=http://one.flv file=http://two.flv", kS, 11, kE,
                "one"},
        CutCase{"LaterStartStaysInside", "file=http://a file=http://b.flv", kS, 11, kE,
                "a file=http://b"},
        CutCase{"CaseSensitiveStart", "FILE=HTTP://host/v.flv and more", kS, 11, kE, "/host/v"},
        CutCase{"CaseSensitiveEnd", "file=http://host/v.FLV", kS, 11, kE, "host/v.FLV"},
        CutCase{"FrontCountPastEnd", "ab[", "[", 5, "]", ""},
        CutCase{"NulBytesAreCharacters", std::string("a\0file=http://x\0y.flv", 21), kS, 11, kE,
                std::string("x\0y", 3)},
        CutCase{"HighBytesAreCharacters",
                "\xF1\xF1"
                "file=http://\xE0\xFF.flv",
                kS, 11, kE, "\xE0\xFF"},
        CutCase{"NegativeFrontCountCountsAsZero", "abc.flv", "zz", -5, kE, "abc"},
        CutCase{"EmptyStartIsMissing", "abcdef.flv", "", 2, kE, "cdef"},
        CutCase{"EmptyEndIsMissing", "xx[yy]zz", "[", 0, "", "yy]zz"}),
    [](const ::testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

// The description marker with its own front count: with no meta element the panel shows the
// page without its first 33 characters, up to the first "/>".
TEST(CutMarkers, DescriptionWithoutMetaDropsThirtyThreeCharacters) {
    const std::string page = std::string(33, '#') + "<b>visible</b><br/>later/>";
    EXPECT_EQ(cut(page, markers::kDescription), "<b>visible</b><br");
}

// Each marker pair drops exactly its start marker; the lengths are those the pages are
// written for (a marker that lost or gained a character would cut one off or leave one in).
TEST(CutMarkers, EveryPairDropsExactlyItsStart) {
    const struct {
        MarkerPair pair;
        int frontCount;
    } pairs[] = {{categoryInfo(Category::Films).player.cut, 11},
                 {categoryInfo(Category::Cartoons).player.cut, 11},
                 {categoryInfo(Category::Serials).player.cut, 11},
                 {categoryInfo(Category::VKontakte).player.cut, 32},
                 {markers::kDescription, 33},
                 {markers::kSiteNotice, 46},
                 {markers::kSiteVersion, 46}};
    for (const auto& [pair, frontCount] : pairs) {
        EXPECT_EQ(pair.frontCount(), frontCount) << pair.start;
        const std::string page = "<p>before</p>" + std::string(pair.start) + "INNER" +
                                 std::string(pair.end) + "after" + std::string(pair.end);
        EXPECT_EQ(cut(page, pair), "INNER") << pair.start;
    }
}

} // namespace
