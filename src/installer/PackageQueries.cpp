// The Windows Installer queries of the version check: the package's .msi file and its Property
// table, the installed products that share its upgrade code, and their versions.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "diagnostics/DebugLog.h"
#include "installer/CommandLineGenerator.h"
#include "installer/VersionRules.h"
#include "win/unique_any.h"

namespace {

// Installer text buffers, terminator included; a longer value makes the call fail.
constexpr DWORD kProductCodeChars = 39;
constexpr DWORD kVersionChars = 39;
constexpr DWORD kPropertyChars = 260;
constexpr char kVersionString[] = "VersionString";

struct find_traits {
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool is_valid(type value) noexcept { return value != INVALID_HANDLE_VALUE; }
    static void close(type value) noexcept { ::FindClose(value); }
};
using unique_find = win::unique_any<find_traits>;

}  // namespace

void CommandLineGenerator::Initialize() {
    m_initialized = true;
    m_packagePath = FindPackageMsi();
    std::string upgradeCode;
    if (QueryPackageProperty(m_packagePath, "UpgradeCode", upgradeCode) == ERROR_SUCCESS) {
        m_upgradeCode = upgradeCode;
    }
    m_relatedProductInstalled = FindInstalledProduct();
}

std::string CommandLineGenerator::FindPackageMsi() const {
    WIN32_FIND_DATAA found = {};
    unique_find search(FindFirstFileA((m_storagePath + "\\*.msi").c_str(), &found));
    if (!search) {
        return m_storagePath;
    }
    return m_storagePath + "\\" + found.cFileName;
}

std::uint32_t CommandLineGenerator::QueryPackageProperty(const std::string& packagePath,
                                                         const char* name,
                                                         std::string& value) const {
    win::unique_msihandle database;
    UINT status = MsiOpenDatabaseA(packagePath.c_str(), MSIDBOPEN_READONLY, database.put());
    if (status != ERROR_SUCCESS) {
        YOL_LOG(outputstr("ERROR: MsiOpenDatabase failed with error ") + status + " on " +
                packagePath.c_str());
        return status;
    }
    const std::string query = std::string("SELECT * FROM Property WHERE `Property`='") + name + "'";
    win::unique_msihandle view;
    status = MsiDatabaseOpenViewA(database.get(), query.c_str(), view.put());
    if (status != ERROR_SUCCESS) {
        YOL_LOG(outputstr("ERROR: MsiDatabaseOpenView failed with error ") + status +
                " from query " + query.c_str());
        return status;
    }
    status = MsiViewExecute(view.get(), 0);
    if (status != ERROR_SUCCESS) {
        YOL_LOG(outputstr("ERROR: MsiViewExecute failed with error ") + status);
        return status;
    }
    win::unique_msihandle record;
    status = MsiViewFetch(view.get(), record.put());
    if (status != ERROR_SUCCESS) {
        YOL_LOG(outputstr("ERROR: MsiViewFetch failed with error ") + status);
        return status;
    }
    char text[kPropertyChars] = {};
    DWORD length = kPropertyChars;
    status = MsiRecordGetStringA(record.get(), 2, text, &length);
    if (status != ERROR_SUCCESS) {
        YOL_LOG(outputstr("ERROR: MsiRecordGetString failed with error ") + status);
        return status;
    }
    value.assign(text, length);
    return ERROR_SUCCESS;
}

std::string CommandLineGenerator::GetPackageVersion() const {
    std::string version = "0.0.0.0";
    QueryPackageProperty(m_packagePath, "ProductVersion", version);
    return version;
}

std::uint32_t CommandLineGenerator::FindHighestRelatedProduct(std::string& productCode) const {
    std::string bestCode;
    std::string bestVersion;
    UINT status = ERROR_SUCCESS;
    for (DWORD index = 0;; ++index) {
        char code[kProductCodeChars] = {};
        status = MsiEnumRelatedProductsA(m_upgradeCode.c_str(), 0, index, code);
        if (status != ERROR_SUCCESS) {
            break;
        }
        char version[kVersionChars] = {};
        DWORD length = kVersionChars;
        if (MsiGetProductInfoA(code, kVersionString, version, &length) != ERROR_SUCCESS) {
            continue;
        }
        if (bestCode.empty() || installer::IsHigherVersion(version, bestVersion)) {
            bestCode = code;
            bestVersion = version;
        }
    }
    if (bestCode.empty()) {
        return status;
    }
    productCode = bestCode;
    return ERROR_SUCCESS;
}

bool CommandLineGenerator::FindInstalledProduct() {
    std::string productCode;
    const std::uint32_t status = FindHighestRelatedProduct(productCode);
    if (status != ERROR_SUCCESS) {
        YOL_LOG(outputstr("ERROR: MsiEnumRelatedProducts failed with error ") +
                static_cast<unsigned long>(status));
        return false;
    }
    m_installedProductCode = productCode;
    return true;
}

bool CommandLineGenerator::GetInstalledVersion(std::string& version) const {
    char text[kVersionChars] = {};
    DWORD length = kVersionChars;
    const UINT status =
        MsiGetProductInfoA(m_installedProductCode.c_str(), kVersionString, text, &length);
    if (status != ERROR_SUCCESS) {
        YOL_LOG(outputstr("ERROR: MsiGetProductInfo failed with error") + status);
        return false;
    }
    version.assign(text, length);
    return true;
}
