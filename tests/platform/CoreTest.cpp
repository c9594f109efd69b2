#include "platform/core/Cp1251.h"
#include "platform/core/Exception.h"

#include <gtest/gtest.h>

TEST(StrToInt, AcceptsTheRuntimeForms) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"0", 0},
        {"3128", 3128},
        {"  80", 80},
        {"+8080", 8080},
        {"-1", -1},
        {"$1F90", 8080},
        {"x1f90", 8080},
        {"0x1F90", 8080},
        {"-$10", -16},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"$FFFFFFFF", -1},
        {"007", 7},
    };
    for (const auto& c : cases) {
        int v = 12345;
        EXPECT_TRUE(tryStrToInt(c.text, v)) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
        EXPECT_EQ(strToInt(c.text), c.value) << c.text;
    }
}

TEST(StrToInt, RejectsEverythingElseWithTheRuntimeMessage) {
    for (const char* text : {"", " ", "80 ", "8o", "$", "0x", "--1", "+", "2147483648",
                             "-2147483649", "$100000000", "1.5", "\t80", "８０"}) {
        int v = 0;
        EXPECT_FALSE(tryStrToInt(text, v)) << text;
        try {
            strToInt(text);
            ADD_FAILURE() << "no failure for '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.message(), std::string("'") + text + "' is not a valid integer value");
            EXPECT_STREQ(e.className(), "EConvertError");
        }
    }
}

TEST(Cp1251, RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(cp1251::fromUtf8(cp1251::toUtf8(all)), all);
    EXPECT_EQ(cp1251::fromUtf16(cp1251::toUtf16(all)), all);
}

TEST(Cp1251, MapsRussianLettersAndMarksTheRest) {
    // "ссылка" is six bytes in the code page.
    EXPECT_EQ(cp1251::fromUtf8("ссылка"), "\xF1\xF1\xFB\xEB\xEA\xE0");
    EXPECT_EQ(cp1251::toUtf8("\xC0\xFF\xA8\xB8\xB9"), "АяЁё№");
    EXPECT_EQ(cp1251::fromUtf8("日本"), "??");
    EXPECT_EQ(cp1251::fromUtf8("a\xFF"
                               "b"),
              "a?b"); // broken UTF-8
}
