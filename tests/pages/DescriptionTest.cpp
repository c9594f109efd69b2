#include <gtest/gtest.h>

#include "pages/Description.h"
#include "platform/core/Cp1251.h"

namespace {

std::string cp(std::string_view utf8) {
    return cp1251::fromUtf8(utf8);
}

TEST(Description, KeepsTheClosingQuoteAndBlankBeforeTheSlash) {
    const std::string page = cp("<html><head><title>Кино</title>\r\n"
                                "<meta name=\"description\" content=\"Комедия\" />\r\n"
                                "<link rel=\"stylesheet\" href=\"s.css\" /></head></html>");
    EXPECT_EQ(describe(page), cp("Комедия\" "));
}

TEST(Description, NothingIsDecoded) {
    const std::string page =
        "<meta name=\"description\" content=\"Tom &amp; Jerry &#1058; <b>\" />";
    EXPECT_EQ(describe(page), "Tom &amp; Jerry &#1058; <b>\" ");
}

TEST(Description, MetaClosedByAnAngleBracketRunsToTheNextSlashOrTheEnd) {
    EXPECT_EQ(describe("<meta name=\"description\" content=\"Drama\">\n<link href=\"y\"/>tail"),
              "Drama\">\n<link href=\"y\"");
    EXPECT_EQ(describe("<meta name=\"description\" content=\"Drama\"><p>end</p>"),
              "Drama\"><p>end</p>");
}

TEST(Description, AttributesInAnotherOrderAreNotFound) {
    // The start marker is missing, so the first 33 characters go and the cut runs to "/>".
    const std::string page = "<meta content=\"Drama\" name=\"description\" /><p>x</p>";
    EXPECT_EQ(describe(page), "iption\" ");
}

TEST(Description, VKontakteNoticeIsTheFixedText) {
    EXPECT_EQ(description::kVKontakteNotice,
              cp("Для видео ВКонтакте данная операция не возможна!"));
}

} // namespace
