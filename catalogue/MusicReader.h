// Reading a music file into its record, and naming genre numbers.
#pragma once
#include "platform/PlatformText.h"
#include <cstdint>
#include <string>

class CMusicInfo;

// Decides path, file name and type; for an MP3 file also reads the tag block
// at its end. 1 when the file was opened and examined, 0 otherwise.
// bExtended: every format the tag library reads is opened, its tags read
// through the library (ID3v2, APE and ID3v1 for MP3), with its playing time.
// code: the code of the path and of the texts read (ID3v1 text is taken from
// the ANSI code page, the library's Unicode text converted to the code).
int ReadMusicFile(CMusicInfo& info, const char* path, bool bExtended = false,
                  platform::TextCode code = platform::CODE_ANSI);

// Genre names come from an INI file chosen by the host: section = language,
// key = genre number, value = name.
class CGenreNames {
public:
    // Stores the path (a relative one taken from the current directory) when
    // the file exists; false, keeping the old path, when it does not.
    bool SetIniPath(const char* text);
    void SetSection(const char* section) { m_strSection = section ? section : ""; }
    const std::string& IniPath() const { return m_strIniPath; }
    const std::string& Section() const { return m_strSection; }
    // The code of the file's path, the language and the names read.
    bool CanRecode(platform::TextCode code) const;
    void SetTextCode(platform::TextCode code);

    bool GenreName(int32_t nGenre, std::string& name) const;

private:
    std::string m_strIniPath;
    std::string m_strSection;
    platform::TextCode m_code = platform::CODE_ANSI;
};
