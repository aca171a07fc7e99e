// The reader over real files from public tag libraries, against the values
// their manifest records.
#include "TestFs.h"
#include "catalogue/MusicInfo.h"
#include "catalogue/MusicReader.h"
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> cols;
    std::stringstream in(line);
    std::string col;
    while (std::getline(in, col, '\t'))
        cols.push_back(col);
    if (!line.empty() && line.back() == '\t')
        cols.push_back("");
    return cols;
}

// Texts that are not plain printable ASCII are written "hex:" and their bytes.
std::string Unhex(const std::string& text)
{
    if (text.compare(0, 4, "hex:") != 0)
        return text;
    std::string out;
    for (size_t i = 4; i + 1 < text.size(); i += 2)
        out += char(std::stoi(text.substr(i, 2), nullptr, 16));
    return out;
}

class Corpus : public FsTest {};

} // namespace

TEST_F(Corpus, ReaderAgreesWithTheManifest)
{
    const std::string dir = TW_CORPUS_DIR;
    std::string manifest;
    if (!ReadHostFile(dir + "/MANIFEST.tsv", manifest))
        GTEST_SKIP() << "no corpus beside this checkout";
    std::stringstream lines(manifest);
    std::string line;
    std::getline(lines, line); // header
    int files = 0;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        std::vector<std::string> c = SplitTabs(line);
        ASSERT_EQ(c.size(), 10u) << line;
        std::string bytes;
        ASSERT_TRUE(ReadHostFile(dir + "/" + c[0], bytes)) << c[0];
        ASSERT_EQ(std::to_string(bytes.size()), c[2]) << c[0];
        PutFile(Path(c[0]), bytes);

        CMusicInfo info;
        int opened = ReadMusicFile(info, Path(c[0]).c_str());
        bool isMp3Name = c[0].size() > 4 && c[0].substr(c[0].size() - 4) == ".mp3";
        EXPECT_EQ(opened, isMp3Name ? 1 : 0) << c[0];
        EXPECT_EQ(info.m_nFileType, std::stoi(c[3])) << c[0];
        EXPECT_EQ(info.m_bTagged, std::stoi(c[5])) << c[0];
        EXPECT_EQ(info.m_strTitle.view(), Unhex(c[6])) << c[0];
        EXPECT_EQ(info.m_strArtist.view(), Unhex(c[7])) << c[0];
        EXPECT_EQ(info.m_strAlbum.view(), Unhex(c[8])) << c[0];
        EXPECT_EQ(info.m_nGenre, std::stoi(c[9])) << c[0];
        ++files;
    }
    EXPECT_EQ(files, 39);
}
