#pragma once
// The Jet files the tests share: each written at test time by the writer, in Jet 3 and Jet 4,
// with every value type, both text forms, memo in its three forms, nulls beside empty text,
// Cyrillic, characters outside the Basic Multilingual Plane and a table over many data pages.
#include "jet/JetWriter.h"

#include <string>
#include <vector>

namespace jetfixtures {

struct Fixture {
    std::string name;
    jetwriter::Options options;
    std::vector<jetwriter::Table> tables;
};

// `filmRows` rows in the catalogue-like table "bdf": 600 fill many data pages.
std::vector<Fixture> all(std::size_t filmRows = 600);

// A settings store (zntconfig.db): its proxy row with a null, an empty text and a field of its
// own, the flag row, and a table the program does not know, its keys out of order.
std::string settings(jet::Format format);

} // namespace jetfixtures
