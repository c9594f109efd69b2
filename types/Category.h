#pragma once
// The four catalogue categories and the names that go with each of them: a type that every
// layer may use, the Qt-free ones included (pages/ builds a player page by category).
#include <array>
#include <string_view>

enum class Category { Films = 0, Cartoons = 1, Serials = 2, VKontakte = 3 };

// Every category, in the order in which the program lists and searches them: films,
// cartoons, serials, VKontakte (the order of the tab pages). Loop over this rather than
// writing the four out.
inline constexpr std::array<Category, 4> kAllCategories = {Category::Films, Category::Cartoons,
                                                           Category::Serials, Category::VKontakte};

struct CategoryInfo {
    Category category;
    std::string_view table;      // catalogue table
    std::string_view titleField; // the one visible column, headed by this name
    std::string_view urlField;   // address of the video's web page
};

inline constexpr std::array<CategoryInfo, 4> kCategories = {{
    {Category::Films, "bdf", "films", "fhttp"},
    {Category::Cartoons, "bdm", "mult", "mhttp"},
    {Category::Serials, "bds", "serials", "shttp"},
    {Category::VKontakte, "bvkf", "vkfilms", "http"},
}};

inline constexpr const CategoryInfo& categoryInfo(Category c) {
    return kCategories[static_cast<int>(c)];
}

// The table is indexed by category: each entry stands at its category's place, and the
// list of all categories holds each one once.
static_assert([] {
    for (std::size_t i = 0; i < kCategories.size(); ++i) {
        if (static_cast<std::size_t>(kCategories[i].category) != i ||
            static_cast<std::size_t>(kAllCategories[i]) != i)
            return false;
    }
    return true;
}());
