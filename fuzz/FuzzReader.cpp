// Any bytes as an MP3 file: the reader decides a type and keeps its texts to
// the 30 bytes of a tag field.
#include "catalogue/MusicInfo.h"
#include "catalogue/MusicReader.h"
#include "platform/PlatformFile.h"
#include "platform/native/MemFs.h"
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    memfs::Reset();
    int32_t code;
    platform::FileHandle h = platform::OpenWrite("C:\\x.mp3", &code);
    platform::Write(h, data, uint32_t(size), &code);
    platform::Close(h);
    CMusicInfo info;
    if (ReadMusicFile(info, "C:\\x.mp3") != 1 || info.m_strTitle.size() > 30 || info.m_strArtist.size() > 30 ||
        info.m_strAlbum.size() > 30 || info.m_nGenre == 0 || info.m_nGenre > 127 || info.m_nGenre < -1 ||
        (info.m_nFileType != 0 && info.m_nFileType != 1))
        std::abort();
    return 0;
}
