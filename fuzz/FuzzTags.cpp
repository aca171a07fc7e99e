// Any bytes under the name of each format the tag library reads, with
// extended tags: the reader ends with a sane record whatever the file holds.
#include "catalogue/MusicInfo.h"
#include "catalogue/MusicReader.h"
#include "platform/PlatformFile.h"
#include "platform/native/MemFs.h"
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const kNames[] = {"C:\\x.mp3", "C:\\x.flac", "C:\\x.ogg", "C:\\x.oga", "C:\\x.opus",
                                         "C:\\x.spx", "C:\\x.m4a",  "C:\\x.wma", "C:\\x.wv",  "C:\\x.ape",
                                         "C:\\x.mpc", "C:\\x.tta",  "C:\\x.aiff", "C:\\x.wav"};
    if (size == 0)
        return 0;
    const char* name = kNames[data[0] % (sizeof kNames / sizeof kNames[0])];
    memfs::Reset();
    int32_t code;
    platform::FileHandle h = platform::OpenWrite(name, &code);
    platform::Write(h, data + 1, uint32_t(size - 1), &code);
    platform::Close(h);
    CMusicInfo info;
    const bool mp3 = std::string(name).substr(5) == "mp3";
    if (ReadMusicFile(info, name, true) != 1 || info.m_nGenre == 0 || info.m_nGenre > 127 || info.m_nGenre < -1 ||
        info.m_lLength < 0 || (info.m_lLength > 0 && info.m_strTime.empty()) ||
        (info.m_nFileType == 1 && !mp3) ||
        info.m_bTagged != (!info.m_strTitle.empty() && !info.m_strArtist.empty() && !info.m_strAlbum.empty()) ||
        memfs::OpenFileCount() != 0)
        std::abort();
    return 0;
}
