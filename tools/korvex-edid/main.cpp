// korvex-edid: decodes EDID files (raw, or hex dumps) into the texts the console shows, or into its
// summary.

#include "edid/EdidDecoder.h"
#include "edid/EdidInput.h"
#include "edid/EdidSummary.h"
#include "res/Version.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char *kUsage =
    "Usage: korvex-edid [--summary] FILE...\n"
    "       korvex-edid --help | --version\n"
    "\n"
    "Decodes each EDID file as the Korvex console does: the base block and the first\n"
    "extension (256 bytes) are decoded, and bytes a shorter image lacks count as 0xFF.\n"
    "Prints the video, audio and general texts of each file in that order, with LF\n"
    "line ends (CR LF on Windows). When more than one file is given, each file's output\n"
    "follows a line \"==> FILE <==\".\n"
    "\n"
    "A FILE may hold:\n"
    "  raw EDID bytes        a .bin file, or /sys/class/drm/CARD-CONNECTOR/edid\n"
    "  hex pairs             in upper or lower case, separated by any white space or\n"
    "                        run together on one line; this includes the output of\n"
    "                        `edid-decode --output-format hex` (its report is read up\n"
    "                        to the first line of dashes)\n"
    "  xrandr --verbose      the hex lines under the first \"EDID:\" property\n"
    "A hex dump must hold whole 128-byte blocks. Use /dev/stdin to read a pipe, as in\n"
    "`xrandr --verbose | korvex-edid /dev/stdin`.\n"
    "\n"
    "  --summary   print the basic EDID information the console's EDID page shows\n"
    "  -h, --help  print this help and exit\n"
    "  --version   print the version and exit\n"
    "  --          treat every later argument as a file name\n"
    "\n"
    "Exit status: 0 when every file was decoded, 1 when a file could not be read or\n"
    "holds no EDID (an empty file included; the others are still decoded), 2 for a\n"
    "usage error (an unknown option, an option given a value, no FILE).\n";

// A usage error: one line, and where to read more.
int usageError(const std::string &what) {
    std::cerr << "korvex-edid: " << what << " (see korvex-edid --help)\n";
    return 2;
}

// Why a file was not decoded. One that cannot be read is named with the folder a relative name was
// looked for in, since that is most often what is wrong; a file that was read but holds no EDID is
// named as given.
std::string failure(const std::string &path, const std::string &error) {
    const std::string unreadable = "cannot read: ";
    if (error.rfind(unreadable, 0) != 0)
        return path + ": " + error;
    const std::string reason = error.substr(unreadable.size());
    std::error_code failed;
    const std::filesystem::path folder = std::filesystem::current_path(failed);
    if (std::filesystem::path(path).is_absolute() || failed)
        return "cannot read " + path + ": " + reason;
    return "cannot read " + path + " in " + folder.string() + ": " + reason;
}

// The decoder's texts end their lines with CR LF, as the console's text box shows them; printed, they
// take the line ends of the system's text files.
#ifdef _WIN32
constexpr const char *kLineEnd = "\r\n";
void write(const std::string &text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}
#else
constexpr const char *kLineEnd = "\n";
void write(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    std::fwrite(out.data(), 1, out.size(), stdout);
}
#endif

} // namespace

int main(int argc, char **argv) {
#ifdef _WIN32
    // The texts carry their own CR LF, which text mode would double.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    bool summary = false;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
            continue;
        }
        const std::string name = arg.substr(0, arg.find('='));
        if (arg == "--") {
            optionsEnded = true;
        } else if (name != arg && (name == "--summary" || name == "--help" || name == "--version")) {
            return usageError(name + " takes no value");
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--version") {
            std::cout << "korvex-edid " << KORVEX_VERSION << "\n";
            return 0;
        } else if (arg == "--summary") {
            summary = true;
        } else {
            return usageError("unknown option \"" + arg + "\"");
        }
    }
    if (files.empty())
        return usageError("no EDID file given");

    int status = 0;
    edid::EdidDecoder decoder;
    for (const std::string &path : files) {
        edid::EdidImage image;
        std::string error;
        if (!edid::readEdidInput(path, image, error)) {
            std::fflush(stdout);
            std::cerr << "korvex-edid: " << failure(path, error) << "\n";
            status = 1;
            continue;
        }
        if (files.size() > 1)
            write("==> " + path + " <==" + kLineEnd);
        decoder.decodeAll(image);
        if (summary) {
            write(edid::summarizeEdid(decoder.videoText(), decoder.audioText(), decoder.generalText()));
        } else {
            write(decoder.videoText());
            write(decoder.audioText());
            write(decoder.generalText());
        }
    }
    std::fflush(stdout);
    return status;
}
