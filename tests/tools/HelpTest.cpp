// The way into each command-line program, run as a child process: help and version on standard
// output with status 0, and a usage error as one line on standard error with the program's usage
// status (korvex-ctl and korvexd 1, the others 2). A program is found through its environment
// variable; a row whose program is not built here is skipped, so a program joins with rows alone.
#include "TempDir.h"

#include "res/Version.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

enum class Stream { Out, Err };

struct Row {
    const char *name; // the test's name
    const char *variable;
    std::vector<std::string> args;
    int status;
    Stream stream;         // where the text goes; the other stream stays empty
    std::string firstLine; // the only line, on standard error
};

const std::string kSimVersion = std::string("korvex-sim ") + KORVEX_VERSION;
const std::string kEdidVersion = std::string("korvex-edid ") + KORVEX_VERSION;
const std::string kCtlUsage =
    "Usage: korvex-ctl [--port COMn|PATH | --host HOST[:PORT]] [--address NN] [--timeout MS] [--json]";
const std::string kConsoleUsage = "Usage: korvex-console [options]";
const std::string kDaemonUsage = "Usage: korvexd --line COMn|PATH|HOST:PORT [OPTION]...";

const Row kRows[] = {
    {"sim_h", "KORVEX_SIM", {"-h"}, 0, Stream::Out, "Usage: korvex-sim [options]"},
    {"sim_help", "KORVEX_SIM", {"--help"}, 0, Stream::Out, "Usage: korvex-sim [options]"},
    {"sim_version", "KORVEX_SIM", {"--version"}, 0, Stream::Out, kSimVersion},
    {"sim_unknown_option",
     "KORVEX_SIM",
     {"--sumary"},
     2,
     Stream::Err,
     "korvex-sim: unknown option \"--sumary\" (see korvex-sim --help)"},
    {"sim_missing_value",
     "KORVEX_SIM",
     {"--addresses", "01", "--link"},
     2,
     Stream::Err,
     "korvex-sim: --link needs a value (see korvex-sim --help)"},
    {"sim_bad_value",
     "KORVEX_SIM",
     {"--delay", "soon"},
     2,
     Stream::Err,
     "korvex-sim: --delay takes milliseconds 0..600000, not \"soon\" (see korvex-sim --help)"},
    {"sim_argument",
     "KORVEX_SIM",
     {"COM1"},
     2,
     Stream::Err,
     "korvex-sim: unexpected argument \"COM1\": korvex-sim takes options only (see korvex-sim --help)"},
    {"edid_h", "KORVEX_EDID", {"-h"}, 0, Stream::Out, "Usage: korvex-edid [--summary] FILE..."},
    {"edid_help", "KORVEX_EDID", {"--help"}, 0, Stream::Out, "Usage: korvex-edid [--summary] FILE..."},
    {"edid_version", "KORVEX_EDID", {"--version"}, 0, Stream::Out, kEdidVersion},
    {"edid_unknown_option",
     "KORVEX_EDID",
     {"--sumary", "a.bin"},
     2,
     Stream::Err,
     "korvex-edid: unknown option \"--sumary\" (see korvex-edid --help)"},
    {"edid_missing_file",
     "KORVEX_EDID",
     {"--summary"},
     2,
     Stream::Err,
     "korvex-edid: no EDID file given (see korvex-edid --help)"},
    {"edid_bad_value",
     "KORVEX_EDID",
     {"--summary=yes", "a.bin"},
     2,
     Stream::Err,
     "korvex-edid: --summary takes no value (see korvex-edid --help)"},
    {"ctl_h", "KORVEX_CTL", {"-h"}, 0, Stream::Out, kCtlUsage},
    {"ctl_help", "KORVEX_CTL", {"--help"}, 0, Stream::Out, kCtlUsage},
    {"ctl_help_command", "KORVEX_CTL", {"help"}, 0, Stream::Out, kCtlUsage},
    {"ctl_version", "KORVEX_CTL", {"--version"}, 0, Stream::Out, std::string("korvex-ctl ") + KORVEX_VERSION},
    {"ctl_help_of_a_command",
     "KORVEX_CTL",
     {"help", "route"},
     0,
     Stream::Out,
     "Usage: korvex-ctl [OPTIONS] route OUT IN"},
    {"ctl_command_help",
     "KORVEX_CTL",
     {"mv", "source", "9", "--help"},
     0,
     Stream::Out,
     "Usage: korvex-ctl [OPTIONS] mv mode 3x3|2x2"},
    {"ctl_unknown_option",
     "KORVEX_CTL",
     {"--adress", "05", "status"},
     1,
     Stream::Err,
     "korvex-ctl: unknown option \"--adress\" (see korvex-ctl --help)"},
    {"ctl_unknown_command_option",
     "KORVEX_CTL",
     {"status", "--jsn"},
     1,
     Stream::Err,
     "korvex-ctl: status: unknown option \"--jsn\" (see korvex-ctl status --help)"},
    {"ctl_missing_argument",
     "KORVEX_CTL",
     {"route", "3"},
     1,
     Stream::Err,
     "korvex-ctl: route: IN is missing (see korvex-ctl route --help)"},
    {"ctl_bad_value",
     "KORVEX_CTL",
     {"route", "12", "1"},
     1,
     Stream::Err,
     "korvex-ctl: route: OUT must be 1..9 or all, not \"12\" (see korvex-ctl route --help)"},
    {"ctl_help_of_no_command",
     "KORVEX_CTL",
     {"help", "rout"},
     1,
     Stream::Err,
     "korvex-ctl: help: unknown command \"rout\" (see korvex-ctl --help)"},
    {"daemon_h", "KORVEXD", {"-h"}, 0, Stream::Out, kDaemonUsage},
    {"daemon_help", "KORVEXD", {"--help"}, 0, Stream::Out, kDaemonUsage},
    {"daemon_version", "KORVEXD", {"--version"}, 0, Stream::Out, std::string("korvexd ") + KORVEX_VERSION},
    {"daemon_unknown_option",
     "KORVEXD",
     {"--pol", "10"},
     1,
     Stream::Err,
     "korvexd: unknown option \"--pol\" (see korvexd --help)"},
    {"daemon_missing_value",
     "KORVEXD",
     {"--line", "COM1", "--poll"},
     1,
     Stream::Err,
     "korvexd: --poll needs a value (see korvexd --help)"},
    {"daemon_bad_value",
     "KORVEXD",
     {"--config", "/dev/null", "--line", "COM1", "--poll", "soon"},
     1,
     Stream::Err,
     "korvexd: --poll: not a number of seconds: \"soon\""},
    {"console_h", "KORVEX_CONSOLE", {"-h"}, 0, Stream::Out, kConsoleUsage},
    {"console_help", "KORVEX_CONSOLE", {"--help"}, 0, Stream::Out, kConsoleUsage},
    {"console_version",
     "KORVEX_CONSOLE",
     {"--version"},
     0,
     Stream::Out,
     std::string("korvex-console ") + KORVEX_VERSION},
    {"console_unknown_option",
     "KORVEX_CONSOLE",
     {"--sumary"},
     2,
     Stream::Err,
     "korvex-console: unknown option 'sumary' (see korvex-console --help)"},
    {"console_missing_value",
     "KORVEX_CONSOLE",
     {"--dir"},
     2,
     Stream::Err,
     "korvex-console: missing value after '--dir' (see korvex-console --help)"},
    {"console_bad_value",
     "KORVEX_CONSOLE",
     {"--dir", "/dev/null"},
     1,
     Stream::Err,
     "korvex-console: /dev/null is not a folder"},
    {"console_argument",
     "KORVEX_CONSOLE",
     {"COM1"},
     2,
     Stream::Err,
     "korvex-console: unexpected argument 'COM1' (see korvex-console --help)"},
};

void PrintTo(const Row &row, std::ostream *os) {
    *os << row.name;
}

std::string quoted(const std::string &arg) {
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class Help : public testing::TestWithParam<Row> {};

TEST_P(Help, StatusAndFirstLine) {
    const Row &row = GetParam();
    const char *program = std::getenv(row.variable);
    if (!program || !*program)
        GTEST_SKIP() << row.variable << " is not set";
    testsupport::ScopedTempCwd cwd;
    // A program that wrongly starts working instead is stopped, and the row fails with status 124.
    std::string command = "timeout 60 " + quoted(program);
    for (const std::string &arg : row.args)
        command += " " + quoted(arg);
    const int raw = std::system((command + " </dev/null >out.txt 2>err.txt").c_str());
    const std::string out = testsupport::readFile("out.txt");
    const std::string err = testsupport::readFile("err.txt");

    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, row.status);
    if (row.stream == Stream::Out) {
        EXPECT_EQ(out.substr(0, out.find('\n')), row.firstLine);
        EXPECT_EQ(err, "");
    } else {
        EXPECT_EQ(err, row.firstLine + "\n");
        EXPECT_EQ(out, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, Help, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
