#pragma once

#include <QStringList>

class QTextStream;

// The commands of fangji-cli. Each takes its own arguments (after the command
// name), writes results to out and errors to err, and returns the exit status.
namespace fangji::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1; // the input or the data was refused
inline constexpr int kExitUsage = 2;   // the command line was wrong

struct Streams {
    QTextStream& out;
    QTextStream& err;
    bool errIsTerminal = false;
};

// Runs the whole command line (program name first). Handles --data-dir and --help.
int run(const QStringList& arguments, Streams io);

} // namespace fangji::cli
