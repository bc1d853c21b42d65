// The time step 4 of the setup launch takes (the install, reboot and feature option parsers, each
// with its own configuration reader) on a config.xml of 1,000 ClientPackage elements (about 1 MB),
// beside one load of the same file by the XML document object. The staged package is the last
// one, so every query walks all packages. The design reads the file once per parser, so about
// three loads' time is expected.
//
// Usage: bench_config_timing [runs]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "agent/CarryOptions.h"
#include "config/XmlDom.h"
#include "win/unique_any.h"
#include "win/unique_com.h"

namespace {

constexpr char kStage[] = "C:\\yol config bench";
constexpr char kProductKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL";
constexpr int kPackages = 1000;

std::string ConfigXml() {
    std::string xml = "<?xml version=\"1.0\"?>\r\n<ManagementConfig>\r\n";
    for (int i = 0; i < kPackages; ++i) {
        const std::string n = std::to_string(i);
        xml += "  <ClientPackage Checksum=\"C" + n +
               "\" Product=\"Zanthrex Bastion Win64\" Type=\"ZB.1\" Language=\"en_us\">\r\n"
               "    <InstallationOption UserInterfaceLevel=\"Unattended\" "
               "InstallationDirectory=\"C:\\Program Files\\Zanthrex\\Bastion " +
               n +
               "\" "
               "InstallationLogFileName=\"C:\\logs\\install-" +
               n +
               ".log\" "
               "AddProgramIntoStartMenu=\"1\" EnableZeDaduzSubMission=\"0\" "
               "KeepAllDataOnUpgrade=\"1\" SpecifyReducedInstallSize=\"0\"/>\r\n"
               "    <RebootOptions AutoReboot=\"1\" HardReboot=\"0\" PromptUser=\"1\" "
               "Randomize=\"0\" Countdown=\"300\" DisplayTimeout=\"60\" MaxSnoozeCount=\"3\" "
               "PromptMessage=\"Zanthrex Bastion " +
               n +
               " was upgraded.\\nPlease restart.\" "
               "PromptType=\"1\" RandomizeHours=\"2\" RebootDay=\"Sunday\" RebootMethod=\"1\" "
               "RebootMinutes=\"30\" RebootSchedule=\"0\" SnoozeInterval=\"15\"/>\r\n"
               "    <EnabledClientFeatures>\r\n";
        for (const char* feature :
             {"Antivirus", "Firewall", "WebFilter", "MailScanner", "Pop3Smtp", "Sandbox"}) {
            xml += "      <Feature FeatureName=\"" + std::string(feature) + "\"/>\r\n";
        }
        xml += "    </EnabledClientFeatures>\r\n  </ClientPackage>\r\n";
    }
    return xml + "</ManagementConfig>\r\n";
}

void SetString(const char* name, const std::string& value) {
    win::unique_hkey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS ||
        RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot write the product key\n");
        std::exit(1);
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename F>
double TimeMs(F&& action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    CreateDirectoryA(kStage, nullptr);
    const std::string xml = ConfigXml();
    std::ofstream(std::string(kStage) + "\\config.xml", std::ios::binary) << xml;
    const std::string zudUvu = std::string(kStage) + "\\zudUvu.ini";
    SetString("ProductVersion", "12.0.1000");
    SetString("yol_install_path", kStage);
    SetString("ProductFeaturesValidButNotAllowed", "Pop3Smtp,Sandbox");

    std::vector<double> step, load;
    for (int run = 0; run < runs; ++run) {
        std::ofstream(zudUvu, std::ios::binary | std::ios::trunc)
            << "[PREDEFINED_YOL_CONFIG]\r\nPackageChecksum=C" << kPackages - 1
            << "\r\n[CUSTOM_YOL_CONFIG]\r\n[FEATURE_SELECTION]\r\n";
        step.push_back(TimeMs([] { CarryConfiguredOptions(kStage); }));
        load.push_back(TimeMs([] {
            win::com_initialization com(COINIT_MULTITHREADED);
            InstallUtils::CXmlDom dom;
            if (!dom.Load(L"C:\\yol config bench\\config.xml")) {
                std::fprintf(stderr, "the document did not load\n");
                std::exit(1);
            }
        }));
    }
    win::unique_hkey software;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zanthrex", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                      software.put()) == ERROR_SUCCESS) {
        RegDeleteTreeA(software.get(), "Zanthrex Bastion");
    }
    std::printf("config.xml: %zu bytes, %d ClientPackage elements, the last one staged\n",
                xml.size(), kPackages);
    std::printf("step 4 (three parsers):   median %8.1f ms over %d runs\n", Median(step), runs);
    std::printf("one document load:        median %8.1f ms over %d runs\n", Median(load), runs);
    std::printf("ratio step 4 / one load:  %.2f (three loads expected, so about 3)\n",
                Median(step) / Median(load));
    return 0;
}
