// Times the title search through the real main window, offscreen, in the working folder's
// catalogue: start-up until the main window is shown, then every change of a typed sequence
// until all four lists hold their new result, then the same sequence as a LIKE query per
// category on the same file. Prints the figures as name=value lines.
//
// ZANTREL_BENCH_T0_NS, the wall-clock time in nanoseconds at which the process was
// launched, makes the start-up figure include the launch itself.
#include "app/Application.h"
#include "app/Main.h"
#include "app/Program.h"
#include "bench/support/QuietInterceptor.h"
#include "catalogue/DataModule.h"
#include "platform/Shell.h"
#include "widgets/DBControls.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double wallMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(system_clock::now().time_since_epoch()).count();
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(v.size())));
    return v[std::min(v.size() - 1, rank == 0 ? 0 : rank - 1)];
}

long statusKb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(static_cast<qsizetype>(std::strlen(field)))
                .trimmed()
                .split(' ')[0]
                .toLong();
    }
    return -1;
}

// Typing and deleting, one to six characters, Cyrillic and Latin.
const char* const kSequence[] = {
    "м",     "мо",     "мос",   "моск",   "москв", "москва", "москв", "моск", "мос", "мо",  "м",
    "",      "S",      "St",    "Sta",    "Star",  "Sta",    "St",    "S",    "",    "Л",   "ЛЮ",
    "ЛЮБ",   "ЛЮБО",   "ЛЮБОВ", "ЛЮБОВЬ", "ЛЮБОВ", "ЛЮБО",   "ЛЮБ",   "ЛЮ",   "Л",   "",    "ё",
    "ёж",    "ёжи",    "ёжик",  "ёжи",    "ёж",    "ё",      "",      "t",    "th",  "the", "the ",
    "the k", "the ki", "the k", "the ",   "the",   "th",     "t",     "",
};

} // namespace

int main(int argc, char** argv) {
    const double launchedWall = [] {
        const char* t0 = std::getenv("ZANTREL_BENCH_T0_NS");
        return t0 ? std::strtod(t0, nullptr) / 1e6 : wallMs();
    }();
    TApplication app(argc, argv);
    QuietInterceptor quiet;
    platform::setInterceptor(&quiet);

    createProgram();
    MainForm->show();
    QElapsedTimer wait;
    wait.start();
    while (!(MainForm->windowHandle() && MainForm->windowHandle()->isExposed()) &&
           wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    const double startupMs = wallMs() - launchedWall;
    std::printf("start-up: main window shown %.1f ms after launch\n", startupMs);

    std::size_t titles = 0;
    for (Category c : kAllCategories)
        titles += static_cast<std::size_t>(DataModule1->query(c).rowCount());
    std::printf("catalogue: %zu titles\n", titles);

    auto* findEdit = MainForm->findChild<QLineEdit*>(QStringLiteral("FindEdit"));
    if (!findEdit || titles == 0 || quiet.boxes) {
        std::fprintf(stderr, "the program did not start with its catalogue\n");
        return 1;
    }

    std::vector<double> ours, painting, baseline;
    std::printf("%-10s %10s %10s %10s  %s\n", "text", "ms", "painting", "baseline",
                "rows (films, cartoons, serials, VK)");
    std::vector<std::string> rowsText;
    for (const char* text : kSequence) {
        const double t0 = nowMs();
        findEdit->setText(QString::fromUtf8(text));
        const double t1 = nowMs();
        // The visible list paints its new rows.
        QCoreApplication::processEvents();
        ours.push_back(nowMs() - t0);
        painting.push_back(nowMs() - t1);
        std::string rows;
        for (Category c : kAllCategories) {
            const int n = MainForm->grid(c)->model()->rowCount();
            if (n != DataModule1->query(c).rowCount())
                std::fprintf(stderr, "list and query disagree for \"%s\"\n", text);
            rows += (rows.empty() ? "" : ", ") + std::to_string(n);
        }
        rowsText.push_back(rows);
    }
    const long peakKb = statusKb("VmHWM:");

    // The baseline: the LIKE query per category, every row read, on the same file (on its
    // SQLite copy, ZANTREL_BENCH_BASELINE_DB, when the catalogue is a Jet file).
    const QByteArray baselineFile = qEnvironmentVariableIsSet("ZANTREL_BENCH_BASELINE_DB")
                                        ? qgetenv("ZANTREL_BENCH_BASELINE_DB")
                                        : QByteArray("bdv.db");
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(baselineFile.constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return 1;
    // ZANTREL_BENCH_ROUNDS repeats the typed sequence (for profiling); the baseline then
    // is left out.
    const int rounds = std::max(1, std::atoi(qgetenv("ZANTREL_BENCH_ROUNDS").constData()));
    for (int r = 1; r < rounds; ++r) {
        for (const char* text : kSequence) {
            findEdit->setText(QString::fromUtf8(text));
            QCoreApplication::processEvents();
        }
    }
    for (std::size_t k = 0; rounds == 1 && k < std::size(kSequence); ++k) {
        const char* text = kSequence[k];
        std::string pattern;
        for (const char* p = text; *p; ++p)
            pattern += *p == '\'' ? std::string("''") : std::string(1, *p);
        const double t0 = nowMs();
        std::size_t bytes = 0;
        for (const CategoryInfo& t : kCategories) {
            const std::string sql = "SELECT * FROM " + std::string(t.table) + " WHERE " +
                                    std::string(t.titleField) + " LIKE '%" + pattern + "%'";
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
            while (sqlite3_step(st) == SQLITE_ROW) {
                for (int i = 0; i < 3; ++i) {
                    sqlite3_column_text(st, i);
                    bytes += static_cast<std::size_t>(sqlite3_column_bytes(st, i));
                }
            }
            sqlite3_finalize(st);
        }
        baseline.push_back(nowMs() - t0);
        (void)bytes;
    }
    sqlite3_close(db);

    for (std::size_t i = 0; i < ours.size(); ++i)
        std::printf("%-10s %10.2f %10.2f %10.2f  %s\n",
                    ('"' + std::string(kSequence[i]) + '"').c_str(), ours[i], painting[i],
                    i < baseline.size() ? baseline[i] : 0.0, rowsText[i].c_str());
    if (baseline.empty())
        return 0;

    const double p50 = percentile(ours, 0.5), p95 = percentile(ours, 0.95);
    const double b50 = percentile(baseline, 0.5), b95 = percentile(baseline, 0.95);
    std::printf("changes: %zu\n", ours.size());
    std::printf("p50_ms=%.2f\n", p50);
    std::printf("baseline_p50_ms=%.2f\n", b50);
    std::printf("p95_ms=%.2f\n", p95);
    std::printf("baseline_p95_ms=%.2f\n", b95);
    std::printf("speedup=%.1f\n", b95 / p95);
    std::printf("startup_ms=%.0f\n", startupMs);
    std::printf("peak_rss_mb=%.0f\n", static_cast<double>(peakKb) / 1024.0);

    destroyProgram();
    platform::setInterceptor(nullptr);
    return 0;
}
