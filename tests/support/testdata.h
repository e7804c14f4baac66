// Where the external test data lives.
#pragma once

#include <string>

inline std::string TestDataPath(const std::string& relative)
{
    return std::string(ZENTOR_TESTDATA_DIR) + "/" + relative;
}
