#include "installer/CommandLinePieces.h"

#include <cstring>

#include "diagnostics/DebugLog.h"

namespace installer {

namespace {

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::size_t SkipWhiteSpace(const std::string& text, std::size_t at) {
    while (at < text.size() && IsWhiteSpace(text[at])) {
        ++at;
    }
    return at;
}

}  // namespace

const char* UserInterfaceOption(const std::string& level) {
    std::string upper = level;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (upper == "NORMAL") {
        return "/qf";
    }
    if (upper == "UNATTENDED") {
        return "/qb!-";
    }
    return "/qn";
}

std::string FindIdcOption(const std::string& setupCmdLine) {
    static constexpr char kKey[] = "IDCENABLE";
    const std::size_t found = setupCmdLine.find(kKey);
    if (found == std::string::npos) {
        return {};
    }
    std::size_t at = SkipWhiteSpace(setupCmdLine, found + sizeof kKey - 1);
    if (at >= setupCmdLine.size() || setupCmdLine[at] != '=') {
        return {};
    }
    at = SkipWhiteSpace(setupCmdLine, at + 1);
    if (at >= setupCmdLine.size() || (setupCmdLine[at] != '0' && setupCmdLine[at] != '1')) {
        return {};
    }
    return std::string("IDCENABLE=") + setupCmdLine[at];
}

std::string ComposeCommandLine(const CommandLinePieces& pieces) {
    std::string line =
        "\"" + pieces.storagePath + "\\setup.exe\" /w /s /v\"" + pieces.userInterface;
    if (!pieces.logOption.empty()) {
        line += " " + pieces.logOption;
    }
    if (!pieces.idcOption.empty()) {
        line += " " + pieces.idcOption;
    }
    if (pieces.callerPid != 0) {
        line += " YOLPID=" + std::to_string(pieces.callerPid);
    }
    line += " REBOOT=ReallySuppress IDCDEPLOYMENT=AutoUpgrade\"";
    return line;
}

int DeliverCommandLine(const std::string& line, char* buffer, int result) {
    if (line.size() >= kCommandLineBufferSize) {
        YOL_LOG(outputstr("Array not large enough to store command line: Supplied ") +
                static_cast<unsigned long>(kCommandLineBufferSize) + " bytes but need " +
                static_cast<unsigned long>(line.size()));
        return kResultFailed;
    }
    std::memcpy(buffer, line.c_str(), line.size() + 1);
    YOL_LOG(line.c_str());
    return result;
}

}  // namespace installer
