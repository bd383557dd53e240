#include "CtlCommands.h"

#include "CommandArgs.h"

const char *const kCtlUsage =
    "Usage: korvex-ctl [--port COMn|PATH | --host HOST[:PORT]] [--address NN] [--timeout MS] [--json]\n"
    "                  COMMAND ...\n"
    "\n"
    "Carries out one operation on Korvex 9x9 HDMI matrix switchers, sending the same command lines\n"
    "as the Korvex console, and prints the device's answer.\n"
    "\n"
    "Commands:\n"
    "  status                     the device's whole state (with --json one JSON object)\n"
    "  route OUT IN               video routing: OUT 1..9 or all, IN 1..9 or mv\n"
    "  mv mode 3x3|2x2            multiview layout\n"
    "  mv source WINDOW INPUT     quick-view window 1..4 shows input 1..9 (a window that showed it\n"
    "                             takes the window's old input)\n"
    "  mv audio OUT IN            multiview audio: OUT 1..9 or all, IN 1..9 or mute\n"
    "  border WIDTH R G B         border line: width 0..15, colour components 0..255\n"
    "  audio mode input|output|independent\n"
    "                             de-embedded audio follows the input, the output, or its routing\n"
    "  audio route OUT IN         independent audio routing: OUT 1..9 from IN 1..9\n"
    "  audio on|mute OUT          de-embedded audio of OUT 1..9 on or muted\n"
    "  ir route OUT EXT           IR out (to TV) of OUT 1..9 or all from IR.ext EXT 1..4\n"
    "  ir control HDBT EXT        matrix IR from the HDBaseT links HDBT (a set of 1..9) and the\n"
    "                             external IR inputs EXT (a set of 1..4)\n"
    "  ir emitters OUTS           IR emitter from the outputs OUTS (a set of 1..9)\n"
    "  rs232 OUTS                 RS-232 routed to the outputs OUTS (a set of 1..9)\n"
    "  edid apply IN CHOICE       input IN 1..9 presents CHOICE: 0..13, 2ch, 5.1, user1..user3,\n"
    "                             out1..out9\n"
    "  edid read out|in N [-o FILE]\n"
    "                             saves the EDID of a port (Matrix_EDID_out<N>_NN.bin or\n"
    "                             Matrix_EDID_inp<N>_NN.bin unless -o) and prints its summary\n"
    "  edid load IN SLOT FILE     writes a .bin file into user slot 1..3 of input IN 1..9\n"
    "  wall show PRESET [--layout FILE]\n"
    "                             sends every panel of preset 1..32 (KorvexVW.ini) to its switcher\n"
    "  address get                every device on the line answers with its address\n"
    "  address set NEW [--all]    gives the device of --address (or with --all every device) the\n"
    "                             address NEW 0..99\n"
    "  lan get                    the LAN settings (with --json one JSON object)\n"
    "  lan set [--dhcp on|off] [--ip A.B.C.D] [--mask A.B.C.D] [--router A.B.C.D]\n"
    "          [--tcp-port N] [--mac TEXT]\n"
    "                             changes the LAN settings; the others stay as the device has them\n"
    "  lan reset                  the LAN settings back to the factory's\n"
    "  send TEXT... [--wait MS]   sends one command line and prints the lines that come back\n"
    "  search                     tries the serial ports COM1..COM99 and prints the first that answers\n"
    "  watch                      stays connected and prints each line from the device as it arrives\n"
    "                             (with --json what each changed, one JSON object a line); waits for a\n"
    "                             line that drops; ends on Ctrl+C\n"
    "A set is none, all, or numbers joined by commas (1,3,5).\n"
    "\n"
    "Options:\n"
    "  --port COMn|PATH   the serial port (default COM1): COMn as the console names it (a file or\n"
    "                     link COMn in this folder, else /dev/ttyS*, ttyUSB*, ttyACM*, ttyAMA*), or a\n"
    "                     device path\n"
    "  --host HOST[:PORT] the switcher's LAN port instead (default TCP port 8000)\n"
    "  --address NN       the device to talk to, 00..99 (default 00: every device)\n"
    "  --timeout MS       how long to wait for an answer (default 2000)\n"
    "  --json             status, lan get and watch print JSON\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 done; 1 usage error, or a file that cannot be read or written; 2 no answer within\n"
    "the time-out; 3 the port or host could not be opened, or the line dropped.\n";

ParsedCommand ParseCommand(const CommandLine &options) {
    const std::vector<std::string> &words = options.words;
    if (words.empty())
        return ParsedCommand::usageError("no command given (korvex-ctl --help lists them)");
    const std::string &command = words.front();
    CommandArgs args(command, std::vector<std::string>(words.begin() + 1, words.end()));
    try {
        if (command == "edid")
            return ParseEdidCommand(args, options);
        if (command == "wall")
            return ParseWallCommand(args, options);
        if (command == "search")
            return ParseSearchCommand(args, options);
        if (command == "watch")
            return ParseWatchCommand(args, options);
        for (const char *known :
             {"status", "route", "mv", "border", "audio", "ir", "rs232", "address", "lan", "send"})
            if (command == known)
                return ParseSettingCommand(command, args, options);
        return ParsedCommand::usageError("unknown command \"" + command +
                                         "\" (korvex-ctl --help lists them)");
    } catch (const UsageError &error) {
        return ParsedCommand::usageError(error.what());
    }
}
