// Writes a Jet 4 copy of a SQLite catalogue, for the benchmark's Jet case.
// Usage: search_catalogue_jet <SQLite catalogue> <Jet file to write>
#include "JetCopy.h"

#include <cstdio>
#include <exception>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <SQLite catalogue> <Jet file>\n", argv[0]);
        return 2;
    }
    try {
        const std::string bytes = jetCopyOf(QString::fromLocal8Bit(argv[1]), jet::Format::Jet4);
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            std::fprintf(stderr, "%s: cannot be written\n", argv[2]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
