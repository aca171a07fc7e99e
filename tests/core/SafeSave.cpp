#include "SafeSave.h"
#include "catalogue/CacheFile.h"
#include "platform/PlatformFile.h"

std::string SafeSave::m_root;
std::unique_ptr<CCatalogue> SafeSave::s_catalogue;

void SafeSave::SetUpTestSuite()
{
    m_root = NewTestFolder();
    s_catalogue.reset(new CCatalogue);
    for (size_t i = 0; i < kRecords; ++i) {
        // A hundred a folder: a system that looks names up folder by folder makes them quickly.
        std::string folder = Path("music" + std::to_string(i / 100));
        if (i % 100 == 0)
            platform::CreateFolder(folder.c_str());
        std::string name = "track " + std::to_string(i) + ".mp3";
        std::string path = folder + "\\" + name;
        PutFile(path, "");
        std::unique_ptr<CMusicInfo> info(new CMusicInfo);
        info->m_strPath = path;
        info->m_strFileName = name;
        info->m_strArtist = "Artist " + std::to_string(i % 97);
        info->m_lLength = int32_t(i);
        s_catalogue->AddFile(nullptr, info);
    }
    Retitle("");
}

void SafeSave::TearDownTestSuite()
{
    s_catalogue.reset();
    RemoveTestFolder(m_root);
}

void SafeSave::Retitle(const std::string& edition)
{
    for (const auto& entry : s_catalogue->Files())
        entry.second->m_strTitle = std::string(entry.second->m_strFileName.c_str()) + edition;
}

size_t SafeSave::LoadedCount(const std::string& cache)
{
    CCatalogue loaded;
    EXPECT_EQ(LoadFile(loaded, cache.c_str()), 0);
    return loaded.Files().size();
}
