// The administrator's choices for the staged package, read from the management client's
// config.xml. All loading happens in the constructor; the queries walk the loaded document, each
// from its root again, so they are independent of each other. Lives for one option parser (or one
// command line); initialises COM on the calling thread for its lifetime.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "config/PackageSelection.h"
#include "config/XmlDom.h"
#include "win/unique_com.h"

// A config.xml larger than this is not loaded: every query then answers empty, as for a file that
// is missing or malformed. A real one is some kilobytes; the cap bounds the document's memory.
constexpr ULONGLONG kMaxConfigFileSize = 8ULL * 1024 * 1024;

class CConfigXMLParser {
public:
    // `directory` holds the staged package's zudUvu.ini, which identifies the package.
    explicit CConfigXMLParser(const char* directory);
    virtual ~CConfigXMLParser() = default;
    CConfigXMLParser(const CConfigXMLParser&) = delete;
    CConfigXMLParser& operator=(const CConfigXMLParser&) = delete;

    // Attribute `name` of the selected package's "RebootOptions"; empty when anything is missing.
    std::wstring GetRebootOption(const char* name);
    // Attribute `name` of the selected package's "InstallationOption"; empty likewise.
    std::wstring GetInstallOption(const char* name);
    // The selected package's enabled feature names, in the ANSI code page, in document order.
    std::vector<std::string> GetEnabledFeatures();
    // Attribute `attribute` of the child `element` of the selected package; empty likewise.
    std::wstring GetOption(const std::wstring& element, const char* attribute);

    bool IsLoaded() const { return m_loaded; }
    const config::PackageIdentity& Identity() const { return m_identity; }

private:
    std::wstring ConfigDirectory();
    void ReadIdentity(const char* directory);

    // Uninitialised last: the document is released before COM is.
    win::com_initialization m_com;
    std::unique_ptr<InstallUtils::CXmlDom> m_dom;
    bool m_loaded = false;
    config::PackageIdentity m_identity;
};
