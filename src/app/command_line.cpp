#include "command_line.h"

#include "platform/product.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace fangji::app {

namespace {

// Qt's options that take a value, and those that stand alone (see QGuiApplication and
// QApplication); they pass through to Qt.
constexpr std::array<std::string_view, 12> kQtWithValue = {
    "-platform",        "-platformpluginpath", "-platformtheme", "-plugin",
    "-qwindowgeometry", "-qwindowicon",        "-qwindowtitle",  "-session",
    "-style",           "-stylesheet",         "-display",       "-geometry"};
constexpr std::array<std::string_view, 4> kQtAlone = {"-reverse", "-widgetcount", "-nograb", "-dograb"};

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

} // namespace

CommandLine readCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view a = arguments[i];
        if (a == "--version" || a == "-v") {
            line.action = CommandLine::Action::Version;
            return line;
        }
        if (a == "--help" || a == "-h") {
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (std::find(kQtWithValue.begin(), kQtWithValue.end(), a) != kQtWithValue.end()) {
            ++i; // its value
            continue;
        }
        const bool qtWithEquals = std::any_of(kQtWithValue.begin(), kQtWithValue.end(),
                                              [&](std::string_view q) { return startsWith(a, std::string(q) + "="); });
        if (qtWithEquals || std::find(kQtAlone.begin(), kQtAlone.end(), a) != kQtAlone.end() ||
            startsWith(a, "-qmljsdebugger=")) {
            continue;
        }
        line.action = CommandLine::Action::Usage;
        line.unknown = arguments[i];
        return line;
    }
    return line;
}

std::string versionNumber() {
    return platform::kVersion;
}

std::string versionText() {
    return "fangji " + versionNumber() + "\n";
}

std::string helpText() {
    return "用法：fangji [选项]\n"
           "禾枢药典之方剂：中医方剂的登录、查询、浏览与打印。不带选项时启动窗口程序。\n"
           "\n"
           "选项：\n"
           "  -h, --help      显示本用法并退出\n"
           "  -v, --version   显示版本并退出\n"
           "\n"
           "数据文件：$XDG_DATA_HOME/qxdata/vizi.mdb（默认 ~/.local/share/qxdata/vizi.mdb）。\n"
           "命令行工具：fangji-cli（见 fangji-cli --help 与 man fangji-cli）。\n";
}

} // namespace fangji::app
