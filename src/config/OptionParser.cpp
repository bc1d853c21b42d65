#include "config/OptionParser.h"

#include <new>

#include "config/IdentityRules.h"
#include "diagnostics/DebugLog.h"

COptionParser::COptionParser(const char* directory)
    : m_zudUvuPath(config::JoinFileName(std::string(directory ? directory : ""), "zudUvu.ini")) {
    // The package builder may ship zudUvu.ini read-only; setup must find the choices written. The
    // mask also drops every attribute bit above the low 16.
    const DWORD attributes = GetFileAttributesA(m_zudUvuPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(m_zudUvuPath.c_str(), attributes & 0xFFFE);
    }
    m_reader.reset(new (std::nothrow) CConfigXMLParser(directory));
}

bool COptionParser::shouldUpdate() {
    if (m_reader) {
        return true;
    }
    YOL_LOG("COptionParser::shouldUpdate - error allocating CConfigXMLParser object");
    return false;
}

bool COptionParser::WriteValue(const char* section, const char* key, const char* value) const {
    return WritePrivateProfileStringA(section, key, value, m_zudUvuPath.c_str()) != FALSE;
}
