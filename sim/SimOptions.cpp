#include "sim/SimOptions.h"

#include <algorithm>
#include <charconv>

namespace korvexsim {
namespace {

bool toNumber(const std::string &text, long lo, long hi, long &value) {
    long v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi)
        return false;
    value = v;
    return true;
}

bool parseAddresses(const std::string &text, std::vector<int> &out) {
    out.clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        long v = 0;
        if (item.empty() || item.size() > 2 || !toNumber(item, 0, 99, v))
            return false;
        if (std::find(out.begin(), out.end(), static_cast<int>(v)) != out.end())
            return false;
        out.push_back(static_cast<int>(v));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return !out.empty();
}

// [HOST:]PORT, HOST a name, a dotted IPv4 address or an IPv6 address in brackets; PORT 0..65535.
bool parseEndpoint(const std::string &text, std::string &host, int &port) {
    std::string portText = text;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            return false;
        host = text.substr(1, close - 1);
        portText = text.substr(close + 2);
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string::npos) {
        host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        if (host.find(':') != std::string::npos)
            return false; // an IPv6 address without its brackets
    }
    long value = 0;
    if (host.empty() || !toNumber(portText, 0, 65535, value))
        return false;
    port = static_cast<int>(value);
    return true;
}

} // namespace

std::optional<SimOptions> SimOptions::parse(const std::vector<std::string> &args, std::string &error) {
    SimOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        auto value = [&](std::string &out) {
            if (inlineValue) {
                out = *inlineValue;
            } else if (i + 1 < args.size()) {
                out = args[++i];
            } else {
                error = name + " needs a value";
                return false;
            }
            return true;
        };
        // What an option takes, and the value that was not that.
        auto refuse = [&](const std::string &takes, const std::string &text) {
            error = name + " takes " + takes + ", not \"" + text + "\"";
            return false;
        };
        auto path = [&](std::string &out) {
            if (!value(out))
                return false;
            return !out.empty() || refuse("a path", out);
        };
        auto number = [&](const std::string &what, long lo, long hi, long &out) {
            std::string text;
            if (!value(text))
                return false;
            return toNumber(text, lo, hi, out) ||
                   refuse(what + " " + std::to_string(lo) + ".." + std::to_string(hi), text);
        };
        auto flag = [&](bool &out) {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            out = true;
            return true;
        };
        long n = 0;
        std::string text;
        bool ok = true;
        if (name == "--help" || name == "-h") {
            ok = flag(o.help);
        } else if (name == "--version") {
            ok = flag(o.version);
        } else if (name == "--addresses") {
            ok = value(text) && (parseAddresses(text, o.addresses) ||
                                 refuse("two-digit addresses 00..99 joined by commas, each once", text));
        } else if (name == "--link") {
            ok = path(o.link);
        } else if (name == "--tcp") {
            o.tcp = true;
            ok = value(text) && (parseEndpoint(text, o.tcpHost, o.tcpPort) ||
                                 refuse("[HOST:]PORT, PORT 0..65535 (an IPv6 address in brackets)", text));
        } else if (name == "--inject") {
            ok = path(o.inject);
        } else if (name == "--log") {
            ok = path(o.log);
        } else if (name == "--state") {
            ok = path(o.state);
        } else if (name == "--pace") {
            ok = flag(o.pace);
        } else if (name == "--silent") {
            ok = flag(o.silent);
        } else if (name == "--flood") {
            ok = flag(o.flood);
        } else if (name == "--garbage") {
            ok = number("a byte count", 0, 1 << 20, n);
            o.garbage = static_cast<int>(n);
        } else if (name == "--hangup-after") {
            ok = number("a command count", 1, 1L << 30, n);
            o.hangupAfter = n;
        } else if (name == "--hangup-at-byte") {
            ok = number("a byte count", 1, 1L << 30, n);
            o.hangupAtByte = n;
        } else if (name == "--delay") {
            ok = number("milliseconds", 0, 600000, n);
            o.delayMs = static_cast<int>(n);
        } else if (name == "--edid-out") {
            ok = value(text);
            const std::size_t eq = text.find('=');
            long output = 0;
            if (ok && (eq == std::string::npos || eq + 1 == text.size() ||
                       !toNumber(text.substr(0, eq), 1, 9, output)))
                ok = refuse("N=FILE, N an output 1..9", text);
            if (ok)
                o.edidOut.emplace_back(static_cast<int>(output), text.substr(eq + 1));
        } else if (name == "--seed") {
            ok = number("a number", 0, 0xFFFFFFFFL, n);
            o.seed = static_cast<unsigned>(n);
        } else if (name.size() > 1 && name[0] == '-') {
            error = "unknown option \"" + args[i] + "\"";
            ok = false;
        } else {
            error = "unexpected argument \"" + args[i] + "\": korvex-sim takes options only";
            ok = false;
        }
        if (!ok)
            return std::nullopt;
    }
    if (o.tcp && !o.link.empty()) {
        error = "--link names a pseudo-terminal, and --tcp serves none: give one of them";
        return std::nullopt;
    }
    return o;
}

std::string SimOptions::helpText() {
    return R"(Usage: korvex-sim [options]

A virtual line of Korvex 9x9 HDMI matrix switchers behind a pseudo-terminal. The
first line on standard output is the path of the pseudo-terminal's slave side: open
it at 57600 8N1, raw, and talk to the switchers as over RS-232. With --tcp the same
line is served on a TCP port, as on the switchers' LAN port, and the first line is
the address it listens on (127.0.0.1:40123). Ends cleanly on SIGINT or SIGTERM.

Line:
  --addresses LIST   devices on the line, two-digit addresses joined by commas
                     (default 01). "Ann " before a command reaches device nn, "A00 "
                     and a line without prefix reach every device; devices answer one
                     after the other in address order.
  --link PATH        make PATH a symlink to the slave (e.g. COM1 in the console's
                     folder); removed on exit. While the simulator serves it, it holds
                     the lock file .NAME.lock beside it, and a second simulator given
                     the same PATH refuses to start; a link left by one that is gone
                     (or that has hung up its line) is taken over.
  --tcp [HOST:]PORT  serve the line on a TCP port instead of a pseudo-terminal: HOST a
                     name or address to listen on (default 127.0.0.1; an IPv6 address in
                     brackets), PORT 0 for any free port. One controller at a time: one
                     that connects meanwhile gets "BUSY: another controller is
                     connected" and is closed. When the controller goes, or the line is
                     hung up, the next one may connect. Not with --link.
  --inject PATH      create a named FIFO at PATH (removed on exit); every line written
                     to it is handled as if another controller had sent it on the line,
                     and the answers go out on the pseudo-terminal (or to the TCP
                     controller).

Records:
  --log FILE         wire log: LINE <text> for every line received (control bytes
                     escaped as \r \n \t \xhh, lines holding only CR are left out),
                     FRAME <hex> for command frames, BADFRAME <hex>, OVERLONG <n>,
                     INJECT <text> for lines from the FIFO, HANGUP, and DROPPED <n>
                     when replies nobody read for a second were thrown away; over TCP
                     also CONNECT <peer>, DISCONNECT (the controller went) and BUSY
                     <peer> (a second controller turned away).
  --state FILE       JSON snapshot of every device, written to FILE.tmp and renamed
                     over FILE at start and after every handled command.

Displays:
  --edid-out N=FILE  output N (1..9) of every device shows the EDID in FILE instead of
                     its built-in display: the first 256 bytes of the file, 0xFF for any
                     a shorter file lacks (the console's .bin files). May be repeated.

Timing and faults:
  --pace             send at the real speed of 57600 baud (10 bits a byte).
  --delay MS         wait MS milliseconds before each reply.
  --silent           carry out commands but never answer (a stalled switcher).
  --garbage N        send N random bytes after each reply.
  --flood            after the first command, send an endless stream without LF.
  --hangup-after N   close the line after the N-th command has been answered.
  --hangup-at-byte N close the line once N reply bytes have been sent, in the middle
                     of whatever reply carries byte N (an unplugged cable).
                     Over TCP both count on each connection afresh, and the next
                     controller may connect after the hang-up.
  --seed N           seed of the random bytes (default 1).

  -h, --help         this text.
  --version          the version.

Exit status: 0 after SIGINT, SIGTERM or SIGHUP; 1 when the simulator cannot start
(the --link is held by a running simulator, a file cannot be made or read, the TCP
port is taken); 2 for a usage error.

Commands understood (each line opened and ended by CR LF, keywords in capitals):
  GET STA, GET ADDR, SET ADDR nn, SET MVW MODEm, SET QVW MODEm, SET QVW VS a.b.c.d,
  SET OUTo VS INs, SET OUTo MAS INs, SET BLW nnn, SET BLC rrr.ggg.bbb, SET INi EDID cc,
  GET OUTo EDID  DATA, GET INi EDID c DATA, SET INi EDID Uu DATA hh hh ... (256 pairs),
  SET DHCP d, SET HIP/NMK/RIP a.b.c.d, SET TIP pppp, SET MAC xx-xx-xx-xx-xx-xx,
  SET EXA MODEm, SET OUTo EAS INj, SET k EXA EN / DIS, SET IRT OUTo IS INs,
  SET IR EXT SW (13 flags), SET IRC MUX (9 flags), SET RS MUX (9 flags),
  SET OUTo VW XYZ xxxx.yyyy.xxxx.yyyy.rrr, the search probe >@, and the command frame
  AA 06 00 05 00 00 dev 02 78 sum (reset LAN settings). Output 0 means all outputs.
  Every SET answers with the status lines it changed; GET STA with all of them.
  Anything else is ignored.
)";
}

} // namespace korvexsim
