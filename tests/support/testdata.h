// Where the external test data lives: $ZENTOR_TESTDATA_DIR, else ../shared/testdata beside the sources,
// else the shared folder of the development machines. Tests that need it skip when none is there.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline std::string TestDataDir()
{
    const char* fromEnvironment = std::getenv("ZENTOR_TESTDATA_DIR");
    for (const char* candidate : {fromEnvironment, ZENTOR_TESTDATA_DIR, "/work/shared/testdata"}) {
        if (candidate && std::filesystem::is_directory(candidate))
            return candidate;
    }
    return ZENTOR_TESTDATA_DIR;
}

inline std::string TestDataPath(const std::string& relative)
{
    return TestDataDir() + "/" + relative;
}

inline bool TestDataAvailable(const std::string& relative)
{
    return std::filesystem::exists(TestDataPath(relative));
}

// Skips the current test when the PNG conformance suite is not there.
#define REQUIRE_PNG_SUITE()                                                                          \
    if (!TestDataAvailable("pngsuite/basn6a08.png"))                                                 \
    GTEST_SKIP() << "PNG conformance suite not found under " << TestDataDir()
