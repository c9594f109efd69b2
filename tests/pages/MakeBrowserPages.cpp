// make_browser_pages OUTDIR SITEDIR SITEBASE
// Writes the player page into OUTDIR/<category>/ for each category with the real page
// builder and writer, from the first page of each category of the demo site and the notice
// of its home page, as the program would after fetching them from SITEBASE. Prints one line
// "<category> <path of the page>" for each.
#include <array>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sys/stat.h>

#include "pages/MainHtml.h"
#include "pages/Markers.h"
#include "pages/PlayerPage.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: make_browser_pages OUTDIR SITEDIR SITEBASE\n";
        return 2;
    }
    const std::string out = argv[1];
    const std::string site = argv[2];
    const std::string base = argv[3];
    // The demo site's folder of each category, in the order of the category table; a
    // category without one stops the program rather than leave its page unchecked.
    struct DemoPages {
        Category category;
        const char* folder;
    };
    constexpr std::array<DemoPages, kCategoryCount> pages = {{{Category::Films, "films"},
                                                              {Category::Cartoons, "mult"},
                                                              {Category::Serials, "serials"},
                                                              {Category::VKontakte, "vk"}}};
    for (std::size_t i = 0; i < kCategoryCount; ++i) {
        if (pages[i].folder == nullptr || pages[i].category != kAllCategories[i]) {
            std::cerr << "make_browser_pages: no demo folder for the category "
                      << categoryInfo(kAllCategories[i]).table << "\n";
            return 2;
        }
    }
    try {
        // The notice buffer keeps the cut notice with its line breaks made CR LF.
        const std::string notice = textUpToNul(
            normaliseLineBreaks(cut(readFile(site + "/index.html"), markers::kSiteNotice)));
        for (const auto& p : pages) {
            const std::string dir = out + "/" + p.folder;
            ::mkdir(dir.c_str(), 0755);
            const PlayerPage page = buildPlayerPage(
                p.category, readFile(site + "/" + p.folder + "/1.html"), notice, base);
            writeMainHtml(dir, page.page);
            std::cout << p.folder << ' ' << dir << '/' << kMainHtmlName << '\n';
        }
    } catch (const std::exception& e) {
        std::cerr << "make_browser_pages: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
