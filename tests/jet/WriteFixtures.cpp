// Writes the shared Jet fixtures into a folder: write_jet_fixtures <folder>. The fuzz target's
// seed corpus is made with it.
#include "jet/Fixtures.h"

#include <fstream>
#include <iostream>
#include <string>

// write_jet_fixtures <folder> [rows of bdf]
int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: write_jet_fixtures <folder> [rows]\n";
        return 2;
    }
    for (const auto& f : jetfixtures::all(argc == 3 ? std::stoul(argv[2]) : 600)) {
        std::ofstream(std::string(argv[1]) + "/" + f.name + ".mdb", std::ios::binary)
            << jetwriter::write(f.tables, f.options);
    }
    return 0;
}
