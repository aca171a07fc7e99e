// Files for the core tests, made through the platform seam: in memory in the
// native build, in a fresh temporary folder under Windows.
#pragma once
#include "platform/PlatformText.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <string>

// A fresh empty folder for one test, and its removal with everything in it.
std::string NewTestFolder();
void RemoveTestFolder(const std::string& folder);

// The path in the code given.
void PutFile(const std::string& path, const std::string& bytes, platform::TextCode code = platform::CODE_ANSI);
// The whole file; empty when it cannot be read.
std::string GetFile(const std::string& path, platform::TextCode code = platform::CODE_ANSI);

// A path of the host system (the build tree, the shared corpus) as this build
// opens it: under Wine, on drive Z:.
std::string HostPath(const std::string& unixPath);
// A real file of the host system, read whole.
bool ReadHostFile(const std::string& unixPath, std::string& bytes);

// An MP3 body followed by an ID3v1-style block with the given marker and fields.
std::string Mp3WithTag(const std::string& title, const std::string& artist, const std::string& album,
                       uint8_t genre, const char* marker = "TAG", size_t bodySize = 400);

class FsTest : public ::testing::Test {
protected:
    void SetUp() override { m_root = NewTestFolder(); }
    void TearDown() override { RemoveTestFolder(m_root); }
    std::string Path(const std::string& name) const { return m_root + "\\" + name; }
    std::string m_root;
};
