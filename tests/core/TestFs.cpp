#include "TestFs.h"
#include "platform/PlatformFile.h"
#include <fstream>
#include <iterator>

void PutFile(const std::string& path, const std::string& bytes, platform::TextCode textCode)
{
    int32_t code = 0;
    platform::FileHandle h = platform::OpenWrite({path, textCode}, &code);
    ASSERT_NE(h, nullptr) << path << " code " << code;
    if (!bytes.empty()) {
        EXPECT_TRUE(platform::Write(h, bytes.data(), uint32_t(bytes.size()), &code));
    }
    platform::Close(h);
}

std::string GetFile(const std::string& path, platform::TextCode textCode)
{
    int32_t code = 0;
    platform::FileHandle h = platform::OpenRead({path, textCode}, &code);
    if (!h)
        return std::string();
    std::string out;
    char buf[8192];
    uint32_t got = 0;
    while (platform::Read(h, buf, sizeof buf, &got, &code) && got > 0)
        out.append(buf, got);
    platform::Close(h);
    return out;
}

std::string HostPath(const std::string& unixPath)
{
    std::string path = unixPath;
#ifdef _WIN32
    if (!path.empty() && path[0] == '/') { // Wine shows the host's file system as drive Z:
        for (char& c : path)
            if (c == '/')
                c = '\\';
        path = "Z:" + path;
    }
#endif
    return path;
}

bool ReadHostFile(const std::string& unixPath, std::string& bytes)
{
    std::ifstream in(HostPath(unixPath), std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

std::string Mp3WithTag(const std::string& title, const std::string& artist, const std::string& album,
                       uint8_t genre, const char* marker, size_t bodySize)
{
    std::string body(bodySize, '\x55');
    if (bodySize >= 4)
        body.replace(0, 4, "\xFF\xFB\x90\x00", 4);
    std::string tag(128, '\0');
    tag.replace(0, 3, marker, 3);
    tag.replace(3, std::min<size_t>(30, title.size()), title.substr(0, 30));
    tag.replace(33, std::min<size_t>(30, artist.size()), artist.substr(0, 30));
    tag.replace(63, std::min<size_t>(30, album.size()), album.substr(0, 30));
    tag[127] = char(genre);
    return body + tag;
}
