#include "installer/LogOption.h"

namespace installer {

namespace {

constexpr char kDefaultLogOption[] = "/l*v \"%TEMP%\\INSTALL.LOG\"";

// Appends as much of `text` as the working buffer still holds.
void AppendBounded(std::string& out, const std::string& text) {
    if (out.size() < kLogOptionMaxLength) {
        out.append(text, 0, kLogOptionMaxLength - out.size());
    }
}

}  // namespace

std::string FindLogSwitch(const std::string& text) {
    std::size_t start = std::string::npos;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '/' && (text[i + 1] == 'l' || text[i + 1] == 'L')) {
            start = i;
            break;
        }
    }
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t blank = text.find(' ', start + 2);
    const std::size_t argument = blank == std::string::npos ? text.size() : blank + 1;
    if (argument >= text.size()) {
        return text.substr(start);
    }
    std::size_t end = std::string::npos;
    if (text[argument] == '"') {
        end = text.find('"', argument + 1);
        if (end != std::string::npos) {
            ++end;  // the closing quote belongs to the argument
        }
    } else {
        end = text.find(' ', argument + 1);
    }
    return end == std::string::npos ? text.substr(start) : text.substr(start, end - start);
}

// Two choices the rule leaves open:
// - an undefined variable expands to nothing, as a reference to a value that does not exist;
// - a "%" without a closing "%" is not a reference: it and the rest of the option are kept as
//   written, except that double quotes are still escaped (an unescaped quote would end the
//   installer options early).
std::string EscapeAndExpand(const std::string& option, const EnvironmentLookup& lookup) {
    std::string out;
    for (std::size_t i = 0; i < option.size() && out.size() < kLogOptionMaxLength; ++i) {
        const char c = option[i];
        if (c == '"') {
            if (out.size() + 2 > kLogOptionMaxLength) {
                break;
            }
            out += "\\\"";
            continue;
        }
        const std::size_t close = c == '%' ? option.find('%', i + 1) : std::string::npos;
        if (close == std::string::npos) {
            out += c;
            continue;
        }
        if (lookup) {
            AppendBounded(out, lookup(option.substr(i + 1, close - i - 1)));
        }
        i = close;
    }
    return out;
}

std::string BuildLogOption(const std::string& configuredName, const std::string& setupCmdLine,
                           const EnvironmentLookup& lookup) {
    std::string source = configuredName.empty() ? setupCmdLine : "/l*v " + configuredName;
    if (source.size() > kLogOptionMaxLength) {
        source.resize(kLogOptionMaxLength);
    }
    std::string option = FindLogSwitch(source);
    if (option.empty()) {
        option = kDefaultLogOption;
    }
    return EscapeAndExpand(option, lookup);
}

}  // namespace installer
