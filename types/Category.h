#pragma once
// The catalogue categories. Everything the program knows about a category stands in its row
// of kCategories: the tab, the names of its components, its table and fields, how its
// player page is made, whether it has a description and when its query opens. Code asks the
// table; nothing else lists the categories. A type that every layer may use, the Qt-free
// ones included (pages/ builds a player page by category).
#include "types/MarkerPair.h"

#include <array>
#include <cstddef>
#include <string_view>

// One value per row of kCategories, in the same order.
enum class Category { Films, Cartoons, Serials, VKontakte };

// How the player page plays a video of the category.
enum class PlayerKind {
    // The cut is a stream address, given to the Flash player of the maker's site.
    FlashLink,
    // The cut is the video site's own embed code, set back into its element (the frame).
    EmbedCode,
};

struct PlayerInfo {
    PlayerKind kind;
    // What is cut out of the video's page.
    MarkerPair cut;
    // EmbedCode: the element around the cut, before and after it; the wait banner comes
    // first and the notice's division follows.
    std::string_view frameBefore = {};
    std::string_view frameAfter = {};
};

struct CategoryInfo {
    Category category;
    // The tab's caption (UTF-8).
    std::string_view caption;
    // The names of the category's tab page, grid, query, the grid's data source and the
    // hidden edit that follows the current row's page address.
    std::string_view sheet;
    std::string_view grid;
    std::string_view query;
    std::string_view source;
    std::string_view urlEdit;
    // The catalogue table, its one visible column (the grid's heading) and the address of
    // the video's web page. Every table's key field is `key`.
    std::string_view table;
    std::string_view titleField;
    std::string_view urlField;
    PlayerInfo player;
    // Whether the description command fetches the page; otherwise it shows a fixed notice.
    bool hasDescription;
    // The query's place in the order in which the data module opens them at start-up
    // (which is the order of their error boxes when the catalogue cannot be read).
    std::size_t openRank;
};

// The rows in the order of the tab pages, which is also the order in which the program
// lists and searches the categories.
inline constexpr auto kCategories = std::to_array<CategoryInfo>({
    {.category = Category::Films,
     .caption = "Фильмы",
     .sheet = "FilmsSheet",
     .grid = "FilmsGrid",
     .query = "FilmsQuery",
     .source = "FilmsSource",
     .urlEdit = "FilmsDBEdit",
     .table = "bdf",
     .titleField = "films",
     .urlField = "fhttp",
     .player = {.kind = PlayerKind::FlashLink, .cut = {"file=http://", ".flv"}},
     .hasDescription = true,
     .openRank = 0},
    {.category = Category::Cartoons,
     .caption = "Мультфильмы",
     .sheet = "MultSheet",
     .grid = "MultGrid",
     .query = "MultQuery",
     .source = "MultSource",
     .urlEdit = "MultDBEdit",
     .table = "bdm",
     .titleField = "mult",
     .urlField = "mhttp",
     .player = {.kind = PlayerKind::FlashLink, .cut = {"file=http://", ".flv"}},
     .hasDescription = true,
     .openRank = 3},
    {.category = Category::Serials,
     .caption = "Сериалы / Мультсериалы",
     .sheet = "SerialsSheet",
     .grid = "SerialsGrid",
     .query = "SerialsQuery",
     .source = "SerialsSource",
     .urlEdit = "SerialsDBEdit",
     .table = "bds",
     .titleField = "serials",
     .urlField = "shttp",
     .player = {.kind = PlayerKind::EmbedCode,
                .cut = {"<object id=\"", "</object>"},
                .frameBefore = "<div align=\"center\"><object id=\"",
                .frameAfter = "</object></div><div align=\"center\">"},
     .hasDescription = true,
     .openRank = 1},
    {.category = Category::VKontakte,
     .caption = "ВКонтакте",
     .sheet = "VKFSheet",
     .grid = "VKFGrid",
     .query = "VKFQuery",
     .source = "VKFSource",
     .urlEdit = "VKFDBEdit",
     .table = "bvkf",
     .titleField = "vkfilms",
     .urlField = "http",
     // The frame's division is left open; the notice's division follows inside it.
     .player = {.kind = PlayerKind::EmbedCode,
                .cut = {"<div align=\"center\"><iframe src=\"", "</iframe>"},
                .frameBefore = "<div align=\"center\"><iframe src=\"",
                .frameAfter = "</iframe><div align=\"center\">"},
     .hasDescription = false,
     .openRank = 2},
});

inline constexpr std::size_t kCategoryCount = kCategories.size();

inline constexpr const CategoryInfo& categoryInfo(Category c) {
    return kCategories[static_cast<std::size_t>(c)];
}

// Every category, in the order of the tab pages. Loop over this rather than writing the
// categories out.
inline constexpr std::array<Category, kCategoryCount> kAllCategories = [] {
    std::array<Category, kCategoryCount> all{};
    for (std::size_t i = 0; i < kCategoryCount; ++i)
        all[i] = kCategories[i].category;
    return all;
}();

// The categories in the order in which their queries open at start-up.
inline constexpr std::array<Category, kCategoryCount> kOpenOrder = [] {
    std::array<Category, kCategoryCount> order{};
    for (const CategoryInfo& row : kCategories)
        order[row.openRank] = row.category;
    return order;
}();

// Each row stands at its category's place, and the open ranks number the rows once each.
static_assert([] {
    std::array<bool, kCategoryCount> ranked{};
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        const CategoryInfo& row = kCategories[i];
        if (static_cast<std::size_t>(row.category) != i || row.openRank >= kCategoryCount ||
            ranked[row.openRank])
            return false;
        ranked[row.openRank] = true;
    }
    return true;
}());
