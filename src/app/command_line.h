#pragma once

#include <string>
#include <vector>

namespace fangji::app {

// What the window program is asked to do by its command line, read before any window
// system is touched: --version and --help answer without a display.
struct CommandLine {
    enum class Action { Run, Version, Help, Usage };
    Action action = Action::Run;
    std::string unknown; // the option that made a usage error
};

// Reads the arguments after the program's name. Qt's own options (-platform, -style,
// -display …) are left to Qt; anything else that starts with "-" is a usage error.
CommandLine readCommandLine(const std::vector<std::string>& arguments);

// The program's version, "5.2.0", and the line --version prints, "fangji 5.2.0\n".
std::string versionNumber();
std::string versionText();
// The usage text of --help.
std::string helpText();

} // namespace fangji::app
