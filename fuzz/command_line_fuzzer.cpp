// The setup command line from arbitrary sources, split at zero bytes: the configured UI level and
// log file name, Setup.ini's CmdLine, the storage path and an environment value. The log option
// never closes the quoted installer options early.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzRequire.h"
#include "installer/CommandLinePieces.h"
#include "installer/LogOption.h"

namespace {

// The text up to the next zero byte, or to the end; `at` moves past the zero.
std::string NextField(const std::string& input, std::size_t& at) {
    const std::size_t end = std::min(input.find('\0', at), input.size());
    const std::string field = at < end ? input.substr(at, end - at) : std::string();
    at = end + 1;
    return field;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t at = 0;
    const std::string level = NextField(input, at);
    const std::string configured = NextField(input, at);
    const std::string setupCmdLine = NextField(input, at);
    installer::CommandLinePieces pieces;
    pieces.storagePath = NextField(input, at);
    std::string value = NextField(input, at);
    // Neither a Windows path nor the environment holds a double quote here: a variable's value is
    // copied as it is, so one with a quote would void the check below.
    for (std::string* text : {&pieces.storagePath, &value}) {
        text->erase(std::remove(text->begin(), text->end(), '"'), text->end());
    }
    pieces.userInterface = installer::UserInterfaceOption(level);
    pieces.logOption = installer::BuildLogOption(
        configured, setupCmdLine,
        [&](const std::string& name) { return name.size() % 2 ? value : std::string(); });
    Require(!pieces.logOption.empty() && pieces.logOption.size() <= installer::kLogOptionMaxLength);
    pieces.idcOption = installer::FindIdcOption(setupCmdLine);
    Require(pieces.idcOption.empty() || pieces.idcOption == "IDCENABLE=0" ||
            pieces.idcOption == "IDCENABLE=1");
    pieces.callerPid = static_cast<std::uint32_t>(size) * 0x9E3779B1u;

    // Quotes not escaped with a backslash: around the program and the installer options only.
    const std::string line = installer::ComposeCommandLine(pieces);
    std::size_t quotes = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        quotes += line[i] == '"' && (i == 0 || line[i - 1] != '\\');
    }
    Require(quotes == 4 && line.back() == '"');
    return 0;
}
