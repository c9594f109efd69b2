#pragma once
// One fixture for the catalogue's tests in every kind of file it may be: each test runs with a
// SQLite bdv.db and with the same catalogue written as a Jet 4 and a Jet 3 file. The rows are
// given as SQL and kept in a SQLite master copy, which the expected rows are read from.
#include "JetCopy.h"
#include "jet/JetFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>

class CatalogueFormats : public ::testing::TestWithParam<jet::Format> {
protected:
    // bdv.db in the test's format, from SQL.
    void makeCatalogue(const std::string& sql);
    // Changes the catalogue as another program would: the SQL applies to the master and
    // bdv.db is written anew.
    void changeCatalogue(const std::string& sql);
    // The SQLite file holding what bdv.db holds.
    QString master() const;

    testing_support::ScratchDir dir;
};

std::string formatName(const ::testing::TestParamInfo<jet::Format>& info);

#define ZANTREL_ALL_CATALOGUE_FORMATS(fixture)                                                     \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        , fixture, ::testing::Values(jet::Format::SQLite, jet::Format::Jet4, jet::Format::Jet3),   \
        formatName)
