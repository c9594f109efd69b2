// Peak resident memory of the "go to the player" command, through the real main window
// offscreen, on one very large page without a line break served from 127.0.0.1.
//
// usage: player_memory_bench WORKDIR SHAPE [MIB]
//   SHAPE  film-link: a film page whose stream address is the whole page;
//          film-quotes, film-lf, film-cr: the same address made of '"', LF or CR alone;
//          serial-embed: a serial page whose embed code is the whole page;
//          serial-lt: a serial embed code whose content is '<' alone;
//          serial-repeated: one tag with the same attribute repeated (10 M times in 20 MiB);
//          serial-distinct: one tag with as many attributes of distinct names as fit;
//          plain: a page of text without any marker (shown in the films tab).
//   MIB    size of the page in MiB (default 20).
// Prints name=value lines: the peak before the command (start-up, the page on disk) and
// after it, in MB, the command's time, the size of main.html, and the time the page builder
// (cut, markup filter, line breaks) takes on the same page alone, after the command.
#include "app/Application.h"
#include "app/Main.h"
#include "app/Program.h"
#include "bench/support/QuietInterceptor.h"
#include "pages/MainHtml.h"
#include "pages/PlayerPage.h"
#include "platform/Shell.h"
#include "schema/Schema.h"
#include "tools/demo-site/StaticServer.h"
#include "ui_Main.h"
#include "widgets/DBControls.h"

#include <QDir>
#include <QFile>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sqlite3.h>
#include <string>
#include <thread>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The process's peak resident set so far, in kB.
long peakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

void execute(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    char* error = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK ||
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), error ? error : sqlite3_errmsg(db));
        std::exit(1);
    }
    sqlite3_close(db);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: player_memory_bench WORKDIR SHAPE [MIB]\n");
        return 2;
    }
    const std::string work = argv[1];
    const std::string shape = argv[2];
    const std::size_t size = (argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 20) << 20;

    // The page, one line.
    std::string page;
    bool serial = false;
    const auto filmLink = [&](char c) {
        page = "file=http://" + std::string(size - 16, c) + ".flv";
    };
    const std::string objectHead = "<object id=\"s\" width=\"600\"";
    if (shape == "film-link") {
        filmLink('a');
    } else if (shape == "film-quotes") {
        filmLink('"');
    } else if (shape == "film-lf") {
        filmLink('\n');
    } else if (shape == "film-cr") {
        filmLink('\r');
    } else if (shape == "serial-embed") {
        serial = true;
        page = objectHead + "><param name=\"flashvars\" value=\"" + std::string(size - 80, 'a') +
               "\" /></object>";
    } else if (shape == "serial-lt") {
        serial = true;
        page = objectHead + ">" + std::string(size - 40, '<') + "</object>";
    } else if (shape == "serial-repeated") {
        serial = true;
        page = objectHead;
        while (page.size() + 16 < size)
            page += " a";
        page += "></object>";
    } else if (shape == "serial-distinct") {
        serial = true;
        page = objectHead;
        for (std::size_t k = 0; page.size() + 32 < size; ++k)
            page += " b" + std::to_string(k);
        page += "></object>";
    } else if (shape == "plain") {
        page = std::string(size, 'a');
    } else {
        std::fprintf(stderr, "unknown shape %s\n", shape.c_str());
        return 2;
    }
    QDir().mkpath(QString::fromStdString(work + "/site"));
    {
        std::ofstream out(work + "/site/page.html", std::ios::binary | std::ios::trunc);
        out << page;
    }
    page = std::string();
    page.shrink_to_fit();

    StaticServer server(work + "/site");
    const unsigned port = server.listen(0);
    std::thread serving([&] { server.run(); });
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/page.html";

    if (!QDir::setCurrent(QString::fromStdString(work)))
        return 1;
    QFile::remove("bdv.db");
    QFile::remove("zntconfig.db");
    execute("bdv.db", std::string(schema::kCatalogue) +
                          "INSERT INTO bdf (key, films, fhttp) VALUES (1, 'film', '" + url +
                          "'); INSERT INTO bds (key, serials, shttp) VALUES (1, 'serial', '" + url +
                          "');");
    execute("zntconfig.db", std::string(schema::kSettings) +
                                "INSERT INTO proxy (adres, port, login, password, \"check\") "
                                "VALUES ('127.0.0.1', '3128', '', '', 0);"
                                "INSERT INTO autoupdate (autoupdatecheck) VALUES (0);");

    qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    QuietInterceptor quiet;
    platform::setInterceptor(&quiet);
    createProgram();
    MainForm->show();
    QCoreApplication::processEvents();
    MainForm->ui()->PageControl1->setCurrentIndex(serial ? 2 : 0);
    DBGrid* grid = MainForm->grid(serial ? Category::Serials : Category::Films);
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QCoreApplication::processEvents();

    const long before = peakKb();
    const auto start = std::chrono::steady_clock::now();
    MainForm->StartBitBtnClick();
    QCoreApplication::processEvents();
    const double commandSeconds = secondsSince(start);
    const long after = peakKb();

    // The builder alone on the same page, once the peak is taken.
    double buildSeconds = 0;
    double buildCpuSeconds = 0; // the same in processor time, which other programs do not stretch
    {
        std::ifstream in(work + "/site/page.html", std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        const auto built = std::chrono::steady_clock::now();
        const std::clock_t cpu = std::clock();
        const PlayerPage result =
            buildPlayerPage(serial ? Category::Serials : Category::Films, text, "", "http://h");
        buildSeconds = secondsSince(built);
        buildCpuSeconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    }

    const qint64 written =
        QFile(QDir(TMainForm::programDirectory()).filePath(QString::fromLatin1(kMainHtmlName)))
            .size();
    std::printf("shape=%s\npage_mib=%zu\npeak_before_mb=%.1f\npeak_after_mb=%.1f\n"
                "command_seconds=%.2f\nbuild_seconds=%.2f\nbuild_cpu_seconds=%.2f\nmain_html_bytes="
                "%lld\nopened=%d\n"
                "boxes=%d\n",
                shape.c_str(), size >> 20, before / 1024.0, after / 1024.0, commandSeconds,
                buildSeconds, buildCpuSeconds, static_cast<long long>(written), quiet.opens,
                quiet.boxes);
    MainForm->FormClose();
    destroyProgram();
    platform::setInterceptor(nullptr);
    server.stop();
    serving.join();
    return quiet.boxes == 0 && quiet.opens == 1 ? 0 : 1;
}
