#pragma once
// The four catalogue categories and the names that go with each of them.
#include <array>
#include <string_view>

enum class Category { Films = 0, Cartoons = 1, Serials = 2, VKontakte = 3 };

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
