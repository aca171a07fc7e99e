// Failures that a test cannot provoke on a real disk: the in-memory file
// system injects them, and the codes must come through as the table says.
#include "TestFs.h"
#include "catalogue/CacheFile.h"
#include "catalogue/Catalogue.h"
#include "platform/native/MemFs.h"
#include <cerrno>

namespace {
class FileFaults : public FsTest {
protected:
    void Fill(CCatalogue& cat, int count)
    {
        for (int i = 0; i < count; ++i) {
            std::string path = Path("f" + std::to_string(i) + ".mp3");
            PutFile(path, "x");
            std::unique_ptr<CMusicInfo> info(new CMusicInfo);
            info->m_strPath = path;
            info->m_strTitle = std::string(100, 't');
            cat.AddFile(nullptr, info);
        }
    }
};
} // namespace

TEST_F(FileFaults, OtherSystemErrorsMapToTheirCodes)
{
    CCatalogue cat;
    Fill(cat, 1);
    memfs::FailWritesAfter(0, EIO);
    EXPECT_EQ(SaveFile(cat, Path("c.snd").c_str()), 1);
    memfs::FailWritesAfter(0, EDEADLK);
    EXPECT_EQ(SaveFile(cat, Path("c.snd").c_str()), 33);
    memfs::FailWritesAfter(-1, 0);
    memfs::LimitOpenFiles(0);
    EXPECT_EQ(SaveFile(cat, Path("c.snd").c_str()), 4);
    EXPECT_EQ(LoadFile(cat, Path("c.snd").c_str()), 4);
    memfs::LimitOpenFiles(100);
    PutFile(Path("plain"), "x");
    EXPECT_EQ(LoadFile(cat, Path("plain\\c.snd").c_str()), 3); // a file where a folder should be
}
