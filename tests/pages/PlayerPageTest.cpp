#include <gtest/gtest.h>

#include "pages/PlayerPage.h"
#include "platform/core/Cp1251.h"

namespace {

// Expected pages are written here in readable text and turned into the page's code page.
std::string cp(std::string_view utf8) {
    return cp1251::fromUtf8(utf8);
}

const std::string kBase = "http://127.0.0.1:8080";

const std::string kBanner =
    cp("<div align=\"center\"><b>ПОДОЖДИТЕ ПОКА ЗАГРУЗИТСЯ ПРОИГРОВАТЕЛЬ</b></div>");

// The Flash player for films and cartoons up to the stream address, on the test base URL.
const std::string kFlashHead =
    "<div align=\"center\"><object id=\"videoplayer5655\" type=\"application/x-shockwave-flash\" "
    "data=\"http://127.0.0.1:8080/player/player.swf\" width=\"500\" height=\"375\"><param "
    "name=\"allowFullScreen\" value=\"true\" /><param name=\"allowScriptAccess\" "
    "value=\"always\" /><param name=\"wmode\" value=\"transparent\" /><param name=\"movie\" "
    "value=\"http://127.0.0.1:8080/player/player.swf\" /><param name=\"flashvars\" "
    "value=\"comment=Korvex&st=http://127.0.0.1:8080/player/video18-805.txt&file=http://";

std::string flashPage(const std::string& link, const std::string& notice) {
    return kBanner + kFlashHead + link + ".flv\" /></object></div><div align=\"center\">" + notice +
           "</div>";
}

const std::string kFilmPage =
    "<html><head><meta name=\"description\" content=\"x\" /></head><body>\r\n"
    "<embed src=\"/p.swf\" flashvars=\"file=http://media.example.net/v/805/clip.flv&amp;a=1\">"
    "\r\n<a href=\"file=http://other.example/second.flv\">second</a></body></html>";

TEST(PlayerPage, FilmPageCarriesTheStreamAddressAndTheNoticeWithItsPlaceholderReplaced) {
    const std::string notice = cp("Не играет? <a href=\"http://ссылка.flv\">Скачайте ссылка");
    const PlayerPage result = buildPlayerPage(Category::Films, kFilmPage, notice, kBase);

    EXPECT_EQ(result.link, "media.example.net/v/805/clip");
    EXPECT_EQ(result.page,
              flashPage("media.example.net/v/805/clip",
                        cp("Не играет? <a href=\"http://media.example.net/v/805/clip.flv\">"
                           "Скачайте media.example.net/v/805/clip")));
    ASSERT_TRUE(result.templateA && result.templateA2);
    EXPECT_EQ(*result.templateA + *result.templateA2, kFlashHead);
    EXPECT_EQ(result.templateA->back(), ' ');
}

// A site base that is no absolute address would make the player's addresses name local files.
TEST(PlayerPage, PlayerAddressesOnASiteBaseWithoutSchemeGo) {
    const PlayerPage result =
        buildPlayerPage(Category::Films, "file=http://h.example/a\"b.flv", "<i>n</i>", "");
    EXPECT_EQ(result.page,
              kBanner +
                  "<div align=\"center\"><object id=\"videoplayer5655\" "
                  "type=\"application/x-shockwave-flash\" width=\"500\" height=\"375\"><param "
                  "name=\"allowFullScreen\" value=\"true\" /><param name=\"allowScriptAccess\" "
                  "value=\"always\" /><param name=\"wmode\" value=\"transparent\" /><param "
                  "name=\"movie\" /><param name=\"flashvars\" "
                  "value=\"comment=Korvex&st=/player/video18-805.txt&file=http://h.example/"
                  "a&quot;b.flv\" /></object></div><div align=\"center\"><i>n</i></div>");
}

TEST(PlayerPage, CartoonsAreBuiltExactlyLikeFilms) {
    const std::string notice = cp("ссылка");
    const PlayerPage film = buildPlayerPage(Category::Films, kFilmPage, notice, kBase);
    const PlayerPage cartoon = buildPlayerPage(Category::Cartoons, kFilmPage, notice, kBase);
    EXPECT_EQ(cartoon.page, film.page);
    EXPECT_EQ(cartoon.link, film.link);
}

TEST(PlayerPage, WithoutANoticeThePageEndsWithTheFixedTextAndTheClosingDivision) {
    EXPECT_EQ(buildPlayerPage(Category::Films, kFilmPage, "", kBase).page,
              flashPage("media.example.net/v/805/clip", ""));
    EXPECT_EQ(buildPlayerPage(Category::Serials, "<object id=\"a\"></object>", "", kBase).page,
              kBanner + "<div align=\"center\"><object id=\"a\"></object></div>"
                        "<div align=\"center\"></div>");
    // Without its markers the frame's address runs into the fixed text, which makes no
    // absolute address; the frame then holds the rest of the page as text, which a browser
    // does not show.
    EXPECT_EQ(buildPlayerPage(Category::VKontakte, "", "", kBase).page,
              kBanner + "<div align=\"center\"><iframe>");
}

TEST(PlayerPage, SerialObjectIsReproducedWhole) {
    const std::string object =
        "pl1\" width=\"607\" height=\"360\"><param name=\"movie\" value=\"http://s.example/p.swf\" "
        "/><param name=\"flashvars\" value=\"id=9&amp;s=2\" /><embed "
        "src=\"http://s.example/p.swf\" "
        "/>";
    const std::string page =
        "<p>Серия 1</p><object id=\"" + object + "</object><object id=\"second\"></object>";
    const PlayerPage result =
        buildPlayerPage(Category::Serials, page, cp("Смотрите на ссылка"), kBase);
    EXPECT_EQ(result.link, object);
    EXPECT_EQ(result.page, kBanner + "<div align=\"center\"><object id=\"" + object +
                               "</object></div><div align=\"center\">" + cp("Смотрите на ") +
                               object + "</div>");
    EXPECT_FALSE(result.templateA.has_value());
    EXPECT_FALSE(result.templateA2.has_value());
}

TEST(PlayerPage, VKontakteFrameIsReassembledInItsOpenDivision) {
    const std::string frame = "http://vk.com/video_ext.php?oid=-1&id=2&hash=ab\" width=\"607\" "
                              "height=\"360\" frameborder=\"0\">";
    const std::string page =
        "<iframe src=\"http://ads.example\"></iframe><div align=\"center\"><iframe src=\"" + frame +
        "</iframe></div>";
    const PlayerPage result = buildPlayerPage(Category::VKontakte, page, cp("<u>ссылка"), kBase);
    EXPECT_EQ(result.link, frame);
    EXPECT_EQ(result.page, kBanner + "<div align=\"center\"><iframe src=\"" + frame +
                               "</iframe><div align=\"center\"><u>" + frame + "</div>");
}

// A page without the markers is no failure: what the cut yields goes in. In the Flash
// player it stands inside an attribute value, so it must not be able to close it.
TEST(PlayerPage, PageWithoutMarkersGoesInUncheckedButCannotBreakOutOfTheFlashAttribute) {
    // The cut drops the first 11 characters when the start marker is missing.
    const std::string page = "<!-- 11 -->\"><script>alert(1)</script> no player</body></html>";
    const PlayerPage film = buildPlayerPage(Category::Films, page, "", kBase);
    EXPECT_EQ(film.link, "\"><script>alert(1)</script> no player</body></html>");
    EXPECT_EQ(film.page,
              flashPage("&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt; no player&lt;/body&gt;"
                        "&lt;/html&gt;",
                        ""));

    // Embed code is markup, but only what cannot run script of it goes in.
    const PlayerPage serial = buildPlayerPage(Category::Serials, page, "", kBase);
    EXPECT_EQ(serial.link, "\"><script>alert(1)</script> no player</body></html>");
    EXPECT_EQ(serial.page, kBanner + "<div align=\"center\"><object id=\"\"> no player"
                                     "</object></div><div align=\"center\"></div>");
}

// What the browser gets for the classic injection forms in a serial's embed code, a
// VKontakte frame and the site notice: the elements of an embed code with their harmless
// attributes; no script element, event handler or script address in any spelling.
TEST(PlayerPage, NoScriptOfAnEmbedCodeOrNoticeReachesThePage) {
    const struct {
        Category category;
        std::string cutText; // what the cut yields (serials, VKontakte)
        std::string notice;
        std::string page; // what follows the wait banner and "<div align="center">"
    } rows[] = {
        {Category::Serials, "a\"><script>alert(1)</script>", "",
         "<object id=\"a\"></object></div><div align=\"center\"></div>"},
        {Category::Serials, "a\"><ScRiPt>alert(1)</sCrIpT><script/x>alert(2)</script>", "",
         "<object id=\"a\"></object></div><div align=\"center\"></div>"},
        {Category::Serials, "a\"><script src=//evil.example/x.js></script >", "",
         "<object id=\"a\"></object></div><div align=\"center\"></div>"},
        {Category::Serials, "a\" onload=alert(1) ONERROR=\"alert(2)\"width=\"500\" WIDTH=6>", "",
         "<object id=\"a\" width=\"500\"></object></div><div align=\"center\"></div>"},
        {Category::Serials, "a\" data=\"JaVaScRiPt:alert(1)\" codebase=' vbscript:x' =x>", "",
         "<object id=\"a\"></object></div><div align=\"center\"></div>"},
        {Category::Serials,
         "a\"><param name=\"movie\" value=\"&#106;avascript:alert(1)\"><param name=\"mo&#118;ie\" "
         "value=\"jav&#x09;ascript&colon;alert(1)\"><param name=\"flashvars\" value=\"a=b:c\">",
         "",
         "<object id=\"a\"><param name=\"movie\"><param name=\"mo&#118;ie\"><param "
         "name=\"flashvars\" value=\"a=b:c\"></object></div><div align=\"center\"></div>"},
        {Category::Serials,
         "a\"><embed src=\"data:text/html,<script>alert(1)</script>\" type=text/html>", "",
         "<object id=\"a\"><embed type=\"text/html\"></object></div><div align=\"center\"></div>"},
        {Category::Serials, "a\"><svg onload=alert(1)><img src=x onerror=alert(1)>", "",
         "<object id=\"a\"><img></object></div><div align=\"center\"></div>"},
        // main.html is a local file: a relative address names a local file or share,
        // whatever references spell it.
        {Category::Serials,
         "a\" data=\"p.swf\" codebase=\"../\"><param name=movie value=\"/etc/passwd\"><img "
         "src=\"/&sol;127.0.0.1/share/x.png\"><img src=\"\\&bsol;h\\s\"><img src=\"&#47&#x2f;h/x\">"
         "<a href=\"ftp://h/\">f</a><a href=\"#top\">t</a><embed src=\"//h/x.swf\"><a "
         "href=\"mailto:a@h.example\">m</a><img src=\"ht&Tab;tp&colon;&sol;&sol;h.example/x\">",
         "",
         "<object id=\"a\"><param name=\"movie\"><img><img><img><a>f</a><a>t</a><embed><a "
         "href=\"mailto:a@h.example\">m</a><img src=\"ht&Tab;tp&colon;&sol;&sol;h.example/x\">"
         "</object></div><div align=\"center\"></div>"},
        {Category::VKontakte, "../../../../etc/passwd\">", "",
         "<iframe></iframe><div align=\"center\"></div>"},
        // Nor may it grant the camera or place anything over the page.
        {Category::VKontakte,
         "https://vk.example/v\" allow=\"camera; microphone\" style=\"position:fixed;top:0\">",
         "<b style=\"width:1px; POSITION : Absolute !important\">x</b><i style=\"pos\\itio\\6e:"
         "fixed\">y</i><u style=\"position&colon;fixed\">z</u><s style=\"position: relative\">"
         "</s>",
         "<iframe src=\"https://vk.example/v\"></iframe><div align=\"center\"><b>x</b><i>y</i>"
         "<u>z</u><s style=\"position: relative\"></s></div>"},
        {Category::Serials, "a\"><scr<script>ipt>alert(1)</script><<script>x</script>", "",
         "<object id=\"a\">ipt>alert(1)&lt;</object></div><div align=\"center\"></div>"},
        {Category::Serials, "a\"><!--<script>alert(1)</script>--><style>*{}</style>", "",
         "<object id=\"a\"></object></div><div align=\"center\"></div>"},
        {Category::Serials,
         "a\" style=\"width:expression(alert(1))\"><math><style><img src=x "
         "onerror=alert(1)>",
         "", "<object id=\"a\">"},
        {Category::Serials, "a\"><script>alert(1)", "", "<object id=\"a\">"},
        {Category::Serials,
         "a\" classid=\"clsid:D27CDB6E-AE6D-11cf\"><a href=\"java\nscript:1\" "
         "target=_blank>x</a><iframe src=\"\\\\evil\\s\" srcdoc=\"<script>\">",
         "",
         "<object id=\"a\" classid=\"clsid:D27CDB6E-AE6D-11cf\"><a "
         "target=\"_blank\">x</a><iframe>"},
        {Category::VKontakte, "javascript:alert(1)\" onload=\"alert(1)\">", "",
         "<iframe></iframe><div align=\"center\"></div>"},
        {Category::VKontakte, "http://vk.example/v\" srcdoc=\"<script>alert(1)</script>\">", "",
         "<iframe src=\"http://vk.example/v\"></iframe><div align=\"center\"></div>"},
        {Category::Films, "", "<a href=\"javascript:alert(1)\">Flash</a> <b onclick=x>ok</b>", ""},
    };
    for (const auto& row : rows) {
        const std::string page =
            row.category == Category::Serials ? "<object id=\"" + row.cutText + "</object>"
            : row.category == Category::VKontakte
                ? "<div align=\"center\"><iframe src=\"" + row.cutText + "</iframe>"
                : "";
        const PlayerPage result = buildPlayerPage(row.category, page, row.notice, kBase);
        if (row.category == Category::Films)
            EXPECT_EQ(result.page, flashPage("", "<a>Flash</a> <b>ok</b>")) << row.notice;
        else
            EXPECT_EQ(result.page, kBanner + "<div align=\"center\">" + row.page) << row.cutText;
    }
}

// Real embed codes come out byte for byte: their elements and attributes as they were.
TEST(PlayerPage, RealEmbedCodesAreKeptByteForByte) {
    const std::string serials[] = {
        "yt1\" width=\"425\" height=\"344\"><param name=\"movie\" "
        "value=\"http://www.youtube.example/v/abc&hl=ru&fs=1\"></param><param "
        "name=\"allowFullScreen\" value=\"true\"></param><embed "
        "src=\"http://www.youtube.example/v/abc&hl=ru&fs=1\" "
        "type=\"application/x-shockwave-flash\" allowscriptaccess=\"always\" "
        "allowfullscreen=\"true\" width=\"425\" height=\"344\"></embed>",
        "fl2\" CLASSID=\"clsid:d27cdb6e-ae6d-11cf-96b8-444553540000\"\n"
        "  codebase='http://download.macromedia.example/swflash.cab#version=9,0,0,0' "
        "width=450 height=370>\n<PARAM NAME=movie VALUE=\"http://s.example/p.swf?f=1\">"
        "<param name=wmode value=opaque /><EMBED src=\"http://s.example/p.swf?f=1\" "
        "quality=high wmode=opaque pluginspage=\"https://get.example/flash\" "
        "name=fl2 align=middle style=\"border:0;width:100%\"></EMBED>",
    };
    for (const std::string& object : serials) {
        const PlayerPage result =
            buildPlayerPage(Category::Serials, "<object id=\"" + object + "</object>", "", kBase);
        EXPECT_EQ(result.page,
                  normaliseLineBreaks(kBanner + "<div align=\"center\"><object id=\"" + object +
                                      "</object></div><div "
                                      "align=\"center\"></div>"));
    }
    const std::string frame = "https://vk.example/video_ext.php?oid=-1&id=2&hash=ab&hd=1\" "
                              "width='607' height=360 frameborder=\"0\" allowfullscreen>";
    EXPECT_EQ(buildPlayerPage(Category::VKontakte,
                              "<div align=\"center\"><iframe src=\"" + frame + "</iframe>", "",
                              kBase)
                  .page,
              kBanner + "<div align=\"center\"><iframe src=\"" + frame +
                  "</iframe><div align=\"center\"></div>");
}

TEST(PlayerPage, AddressesWithQueryStringsStayAsTheyAre) {
    const PlayerPage film =
        buildPlayerPage(Category::Films, "file=http://h.example/get?id=5&key=a%22b.flv", "", kBase);
    EXPECT_EQ(film.page, flashPage("h.example/get?id=5&key=a%22b", ""));
}

TEST(PlayerPage, LinkAndNoticeAreKeptOnlyUpToTheirFirstNul) {
    const std::string page = std::string("file=http://good.example/a\0hidden.flv", 37);
    const std::string notice = cp("Новости") + '\0' + cp(" и ссылка");
    for (Category c : {Category::Films, Category::Serials}) {
        const PlayerPage result = buildPlayerPage(c, page, notice, kBase);
        EXPECT_EQ(result.page.find('\0'), std::string::npos);
        EXPECT_EQ(result.page.substr(result.page.size() - 13), cp("Новости</div>"));
    }
    const PlayerPage film = buildPlayerPage(Category::Films, page, notice, kBase);
    EXPECT_EQ(film.link, "good.example/a");
    EXPECT_EQ(film.page, flashPage("good.example/a", cp("Новости")));
}

TEST(PlayerPage, LineBreaksBecomeCrLf) {
    const std::string page =
        "<object id=\"x\">\n<param name=\"1\" />\r<param\nvalue=\"2\" />\r\n</object>";
    const PlayerPage result =
        buildPlayerPage(Category::Serials, page, "line one\nline two\r\rend\r\n", kBase);
    EXPECT_EQ(result.page, kBanner + "<div align=\"center\"><object id=\"x\">\r\n<param "
                                     "name=\"1\" />\r\n<param\r\nvalue=\"2\" />\r\n</object></div>"
                                     "<div align=\"center\">line one\r\nline two\r\n\r\nend\r\n"
                                     "</div>");
}

TEST(PlayerPage, InsertedLinkIsNotSearchedAgain) {
    const std::string word = cp("ссылка");
    const PlayerPage result =
        buildPlayerPage(Category::Serials, "<object id=\"" + word + word + "\"></object>",
                        word + "|" + word, kBase);
    EXPECT_EQ(result.page, kBanner + "<div align=\"center\"><object id=\"" + word + word +
                               "\"></object></div><div align=\"center\">" + word + word + "\">|" +
                               word + word + "\"></div>");
}

TEST(LineBreaks, EveryLoneCrOrLfBecomesCrLf) {
    EXPECT_EQ(normaliseLineBreaks(""), "");
    EXPECT_EQ(normaliseLineBreaks("a\r\nb"), "a\r\nb");
    EXPECT_EQ(normaliseLineBreaks("\na\rb\n\rc\r"), "\r\na\r\nb\r\n\r\nc\r\n");
    EXPECT_EQ(normaliseLineBreaks("\r\r\n\n"), "\r\n\r\n\r\n");
}

} // namespace
