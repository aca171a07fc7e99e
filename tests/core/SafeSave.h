// A catalogue of ten thousand records whose files exist, made once for the
// save tests of both builds, in a folder of their own.
#pragma once
#include "TestFs.h"
#include "catalogue/Catalogue.h"
#include <memory>
#include <string>

class SafeSave : public ::testing::Test {
protected:
    static constexpr size_t kRecords = 10000;
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    static CCatalogue& Catalogue() { return *s_catalogue; }
    static std::string Path(const std::string& name) { return m_root + "\\" + name; }
    // Gives every record a title with this text in it, so a save writes other bytes.
    static void Retitle(const std::string& edition);
    // The records a fresh catalogue takes from the file.
    static size_t LoadedCount(const std::string& cache);

    static std::string m_root;
    static std::unique_ptr<CCatalogue> s_catalogue;
};
