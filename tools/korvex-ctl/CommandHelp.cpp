#include "CommandHelp.h"

#include <array>

namespace {

const std::array<CommandHelp, 17> kCommands = {{
    {"status",
     {{"status", "the device's whole state (with --json one JSON object)"}},
     "Asks the device for all its status lines (GET STA; with address 00 also for its address) and\n"
     "prints its state once they have stopped for 300 ms: for people, or with --json as one JSON object.\n"
     "With address 00 on a line of several devices each would answer: status says so and asks for\n"
     "--address.\n",
     "korvex-ctl --port COM3 --address 05 status\n"
     "korvex-ctl --port /dev/ttyUSB0 status --json"},
    {"route",
     {{"route OUT IN", "video routing: OUT 1..9 or all, IN 1..9 or mv"}},
     "Output OUT shows input IN.\n"
     "  OUT  an output 1..9, or all\n"
     "  IN   an input 1..9, or mv for the multiview picture\n"
     "Prints the device's answer, one line per output (\"OUT3 VS IN7\").\n",
     "korvex-ctl --port COM3 --address 05 route 3 7"},
    {"mv",
     {{"mv mode 3x3|2x2", "multiview layout"},
      {"mv source WINDOW INPUT", "quick-view window 1..4 shows input 1..9 (a window that showed it\n"
                                 "takes the window's old input)"},
      {"mv audio OUT IN", "multiview audio: OUT 1..9 or all, IN 1..9 or mute"}},
     "The multiview picture: its layout, the input of each quick-view window, and the audio each output\n"
     "plays with it. \"mv source\" asks the device for its quick-view sources first, as the other windows'\n"
     "inputs go out with the chosen one.\n",
     "korvex-ctl mv mode 2x2\n"
     "korvex-ctl mv source 1 5\n"
     "korvex-ctl mv audio all mute"},
    {"border",
     {{"border WIDTH R G B", "border line: width 0..15, colour components 0..255"}},
     "The line around the multiview windows.\n"
     "  WIDTH  0..15\n"
     "  R G B  the colour, each component 0..255\n",
     "korvex-ctl border 2 255 0 0"},
    {"audio",
     {{"audio mode input|output|independent",
       "de-embedded audio follows the input, the output, or its routing"},
      {"audio route OUT IN", "independent audio routing: OUT 1..9 from IN 1..9"},
      {"audio on|mute OUT", "de-embedded audio of OUT 1..9 on or muted"}},
     "The de-embedded audio of the outputs: whether it follows the input, the output, or its own\n"
     "routing (audio route, used in independent mode), and whether each output's audio is on.\n",
     "korvex-ctl audio mode independent\n"
     "korvex-ctl audio route 2 7\n"
     "korvex-ctl audio mute 4"},
    {"ir",
     {{"ir route OUT EXT", "IR out (to TV) of OUT 1..9 or all from IR.ext EXT 1..4"},
      {"ir control HDBT EXT", "matrix IR from the HDBaseT links HDBT (a set of 1..9) and the\n"
                              "external IR inputs EXT (a set of 1..4)"},
      {"ir emitters OUTS", "IR emitter from the outputs OUTS (a set of 1..9)"}},
     "IR routing. A set is none, all, or numbers joined by commas (1,3,5).\n",
     "korvex-ctl ir route all 3\n"
     "korvex-ctl ir control 2 1,4\n"
     "korvex-ctl ir emitters none"},
    {"rs232",
     {{"rs232 OUTS", "RS-232 routed to the outputs OUTS (a set of 1..9)"}},
     "RS-232 routing. A set is none, all, or numbers joined by commas (1,3,5).\n",
     "korvex-ctl rs232 2,5"},
    {"edid",
     {{"edid apply IN CHOICE", "input IN 1..9 presents CHOICE: 0..13, 2ch, 5.1, user1..user3,\n"
                               "out1..out9"},
      {"edid read out|in N [-o FILE]", "saves the EDID of a port (Matrix_EDID_out<N>_NN.bin or\n"
                                       "Matrix_EDID_inp<N>_NN.bin unless -o; -o - writes it to\n"
                                       "standard output) and prints its summary"},
      {"edid load IN SLOT FILE", "writes a .bin file into user slot 1..3 of input IN 1..9"}},
     "The EDID each input presents, as the EDID MANAGEMENT page handles it.\n"
     "  CHOICE  the list index 0..13, or 2ch, 5.1, user1..user3, out1..out9\n"
     "  -o FILE the file to write (- for standard output: the 256 bytes alone, no summary)\n"
     "An input is read by the EDID it presents; one that presents \"From Out\" N has no dump of its\n"
     "own: read output N.\n",
     "korvex-ctl edid apply 3 user2\n"
     "korvex-ctl edid read out 2 -o projector.bin\n"
     "korvex-ctl edid load 3 1 projector.bin"},
    {"wall",
     {{"wall show PRESET [--layout FILE]",
       "sends every panel of preset 1..32 (KorvexVW.ini) to its switcher"}},
     "Sends every panel of a video-wall preset to its own switcher and output, as a double click on\n"
     "each panel of the VIDEO WALL page does.\n"
     "  PRESET         1..32\n"
     "  --layout FILE  the preset file (default KorvexVW.ini in the current folder)\n",
     "korvex-ctl wall show 4 --layout /srv/rooms/KorvexVW.ini"},
    {"address",
     {{"address get", "every device on the line answers with its address"},
      {"address set NEW [--all]", "gives the device of --address (or with --all every device) the\n"
                                  "address NEW 0..99"}},
     "Device addresses. \"address set\" needs --address NN (the device to change) or --all (every\n"
     "device: wire a single device when using it).\n",
     "korvex-ctl address get\n"
     "korvex-ctl --address 01 address set 7"},
    {"lan",
     {{"lan get", "the LAN settings (with --json one JSON object)"},
      {"lan set [--dhcp on|off] [--ip A.B.C.D] [--mask A.B.C.D]\n"
       "        [--router A.B.C.D] [--tcp-port N] [--mac TEXT]",
       "changes the LAN settings; the others stay as the device has them"},
      {"lan reset", "the LAN settings back to the factory's"}},
     "The switcher's LAN settings, as the IP CONFIG page sends them. A setting not given to \"lan set\"\n"
     "is sent as the device reports it; the MAC goes out only with --mac. TCP port 1..9999.\n",
     "korvex-ctl --address 05 lan set --dhcp off --ip 10.0.0.50 --mask 255.255.255.0 --router 10.0.0.1"},
    {"send",
     {{"send TEXT... [--wait MS] [--raw]", "sends one command line and prints the lines that come back"}},
     "Sends one command line (the words joined by blanks) with the address prefix, and prints every\n"
     "line that comes back as the console's traffic view shows it (time, \"<<\", CR as \\r, LF as \\n),\n"
     "until the answer has stopped for 300 ms.\n"
     "  --wait MS  listen for MS milliseconds instead\n"
     "  --raw      print the bytes exactly as they came, line ends included, for scripts\n",
     "korvex-ctl --address 05 send GET STA\n"
     "korvex-ctl send --raw GET STA > answer.txt"},
    {"search",
     {{"search", "tries the serial ports COM1..COM99 and prints the first that answers"}},
     "Tries the serial ports one by one as the console's \"Search Machine\" does and prints the name of\n"
     "the first that answers. When none does, says which ports are here and what to check.\n",
     "korvex-ctl search"},
    {"watch",
     {{"watch", "stays connected and prints each line from the device as it arrives\n"
                "(with --json what each changed, one JSON object a line); waits for a\n"
                "line that drops; ends on Ctrl+C"}},
     "Prints each line from the device as it arrives, whoever asked for it (the front panel, the\n"
     "console, another controller). A line that drops is waited for and reported on standard error.\n",
     "korvex-ctl --port COM3 watch --json"},
    {"backup",
     {{"backup FILE [--lan]", "saves the device's settings to FILE (- for standard output) as JSON"}},
     "Saves everything the device reports: routing, multiview mode, quick-view sources, multiview\n"
     "audio, border line, EDID choices, audio mode, audio routing and mute, IR routes, IR control, IR\n"
     "emitters and RS-232; with --lan its LAN settings too. The file is JSON, the values as status\n"
     "--json shows them. A device that does not report all of them is not backed up. FILE - writes to\n"
     "standard output.\n",
     "korvex-ctl --port COM3 --address 05 backup room12.json"},
    {"restore",
     {{"restore FILE [--lan]", "sends the settings of a backup FILE (- for standard input) to the\n"
                               "device and checks each answer"}},
     "Sends the settings of a backup with the command lines the console's pages send, and checks that\n"
     "the device answered each with the value sent: to clone a replacement unit or return a room to a\n"
     "known state. A file that is not a backup of this version, or holds a missing or bad value, is\n"
     "refused before anything is sent. The LAN settings of a file backed up with --lan go out only\n"
     "with --lan (and last). FILE - reads standard input. The device is asked for its state first.\n",
     "korvex-ctl --port COM3 --address 05 restore room12.json"},
    {"help",
     {{"help [COMMAND]", "this text, or one command's with examples"}},
     "The overview of every command, or one command's arguments and examples. \"korvex-ctl COMMAND\n"
     "--help\" shows the same.\n",
     "korvex-ctl help route"},
}};

constexpr std::size_t kSynopsisWidth = 27; // the overview's first column

// The text with every line after the first indented to the column.
std::string indented(const std::string &text, std::size_t column) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '\n')
            out += std::string(column, ' ');
    }
    return out;
}

} // namespace

const CommandHelp *CommandHelp::find(const std::string &name) {
    for (const CommandHelp &command : kCommands)
        if (name == command.name)
            return &command;
    return nullptr;
}

std::string CommandHelp::overview() {
    std::string commands;
    for (const CommandHelp &command : kCommands) {
        for (const Form &form : command.forms) {
            const std::string synopsis = indented(form.synopsis, 2);
            const std::size_t lastLine = synopsis.size() - synopsis.rfind('\n') - 1;
            commands += "  " + synopsis;
            // A summary goes beside a short synopsis, under a long one.
            if (synopsis.find('\n') == std::string::npos && lastLine < kSynopsisWidth)
                commands += std::string(kSynopsisWidth - lastLine, ' ');
            else
                commands += "\n" + std::string(kSynopsisWidth + 2, ' ');
            commands += indented(form.summary, kSynopsisWidth + 2) + "\n";
        }
    }
    return "Usage: korvex-ctl [--port COMn|PATH | --host HOST[:PORT]] [--address NN] [--timeout MS] "
           "[--json]\n"
           "                  COMMAND ...\n"
           "       korvex-ctl help [COMMAND] | COMMAND --help | --version\n"
           "\n"
           "Carries out one operation on Korvex 9x9 HDMI matrix switchers, sending the same command lines\n"
           "as the Korvex console, and prints the device's answer.\n"
           "\n"
           "Commands:\n" +
           commands +
           "A set is none, all, or numbers joined by commas (1,3,5).\n"
           "\n"
           "Options:\n"
           "  --port COMn|PATH   the serial port (default COM1): COMn as the console names it (a file or\n"
           "                     link COMn in this folder, else /dev/ttyS*, ttyUSB*, ttyACM*, ttyAMA*), or "
           "a\n"
           "                     device path\n"
           "  --host HOST[:PORT] the switcher's LAN port instead (default TCP port 8000), or korvexd's\n"
           "  --address NN       the device to talk to, 00..99 (default 00: every device)\n"
           "  --timeout MS       how long to wait for an answer (default 2000)\n"
           "  --json             status, lan get and watch print JSON\n"
           "  -h, --help         this text; after a command, that command's\n"
           "  --version\n"
           "\n"
           "Exit status: 0 done; 1 usage error, a file that cannot be read or written, or several devices\n"
           "answering address 00; 2 no answer within the time-out; 3 the port or host could not be opened,\n"
           "or the line dropped; 4 restore: the device answered with other values than the file's.\n"
           "\n"
           "Examples:\n"
           "  korvex-ctl search\n"
           "  korvex-ctl --port COM3 --address 05 route 3 7\n"
           "  korvex-ctl --port COM3 --address 05 status\n"
           "  korvex-ctl --port COM3 --address 05 backup room12.json\n"
           "  korvex-ctl help restore\n";
}

std::string CommandHelp::page() const {
    std::string usage;
    for (const Form &form : forms)
        usage += (usage.empty() ? "Usage: " : "       ") + std::string("korvex-ctl [OPTIONS] ") +
                 indented(form.synopsis, 28) + "\n";
    return usage + "\n" + details + "\nExample" +
           (std::string(example).find('\n') == std::string::npos ? "" : "s") + ":\n  " +
           indented(example, 2) +
           "\n\nOPTIONS: --port, --host, --address, --timeout, --json (korvex-ctl --help).\n";
}

std::string seeHelp(const std::string &command) {
    return " (see korvex-ctl " + (command.empty() ? std::string() : command + " ") + "--help)";
}
