#include "Settings.h"

#include "res/Version.h"

#include <arpa/inet.h>
#include <sodium.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>

namespace korvexd {

namespace {

const std::string kSeeHelp = " (see korvexd --help)";

// The options that take a value; without their dashes they are the keys of the settings file.
struct Key {
    const char *name;
    bool repeatable;
};
constexpr Key kKeys[] = {
    {"config", false},      {"line", false},          {"devices", false},  {"listen", false},
    {"http", false},        {"videohub", true},       {"poll", false},     {"state-dir", false},
    {"max-clients", false}, {"password-hash", false}, {"tls-cert", false}, {"tls-key", false},
};

const Key *findKey(std::string_view name) {
    for (const Key &key : kKeys) {
        if (name == key.name)
            return &key;
    }
    return nullptr;
}

// A setting as given, with where it was given for the messages: "--poll", or
// "/etc/korvex/korvexd.conf:7: poll".
struct Given {
    std::string key;
    std::string value;
    std::string where;
};

// A Videohub listener before the devices are known: without "NN@" it routes the first device.
struct PendingVideohub {
    std::optional<std::uint8_t> device;
    HostPort address;
    std::string where;
};

std::string inQuotes(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string failure(const std::string &where, const std::string &problem) {
    return "korvexd: " + where + ": " + problem;
}

std::string twoDigits(unsigned device) {
    return std::string(1, static_cast<char>('0' + device / 10)) + static_cast<char>('0' + device % 10);
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool allDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A whole decimal number, digits only; a very long one comes back as a value above every limit.
std::optional<unsigned long> parseNumber(std::string_view text) {
    if (!allDigits(text))
        return std::nullopt;
    unsigned long value = 0;
    for (char c : text) {
        value = value * 10 + static_cast<unsigned long>(c - '0');
        if (value > 1'000'000'000UL)
            return value;
    }
    return value;
}

// A device address 1..99 written with one or two digits; the problem otherwise.
std::optional<std::uint8_t> parseDevice(std::string_view text, std::string &problem) {
    const std::optional<unsigned long> value = text.size() <= 2 ? parseNumber(text) : std::nullopt;
    if (!value || *value < 1 || *value > 99) {
        problem = (allDigits(text) ? std::string(text) : inQuotes(text)) + " is not a device address (1..99)";
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*value);
}

bool isIpv6(const std::string &host) {
    // A link-local address may carry its interface: fe80::1%eth0.
    const std::size_t percent = host.find('%');
    if (percent != std::string::npos && percent + 1 == host.size())
        return false;
    in6_addr address{};
    return inet_pton(AF_INET6, host.substr(0, percent).c_str(), &address) == 1;
}

// A name or an IPv4 address; the problem, or empty.
std::string checkHost(const std::string &host) {
    if (host.find_first_not_of("0123456789.") == std::string::npos) {
        in_addr address{};
        return inet_pton(AF_INET, host.c_str(), &address) == 1 ? ""
                                                               : "not an IPv4 address: " + inQuotes(host);
    }
    const std::string bad = "not a host name or address: " + inQuotes(host);
    if (host.size() > 253)
        return bad;
    std::size_t label = 0;
    for (std::size_t i = 0; i < host.size(); ++i) {
        const char c = host[i];
        if (c == '.') {
            if (label == 0 || host[i - 1] == '-')
                return bad;
            label = 0;
            continue;
        }
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != '_' && !(c == '-' && label > 0))
            return bad;
        if (++label > 63)
            return bad;
    }
    return host.back() == '-' ? bad : "";
}

// HOST:PORT, HOST a name, an IPv4 address or an IPv6 address in brackets; the problem, or empty.
std::string parseHostPort(const std::string &text, HostPort &out) {
    std::string host;
    std::string port;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos)
            return "no \"]\" after the IPv6 address: " + inQuotes(text);
        host = text.substr(1, close - 1);
        if (close + 1 >= text.size() || text[close + 1] != ':')
            return "no port after the address: " + inQuotes(text) + " (HOST:PORT)";
        port = text.substr(close + 2);
        if (!isIpv6(host))
            return "not an IPv6 address: " + inQuotes(host);
    } else {
        const std::size_t colon = text.rfind(':');
        if (colon == std::string::npos)
            return "not HOST:PORT: " + inQuotes(text);
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.find(':') != std::string::npos)
            return "an IPv6 address goes in brackets, as in [::1]:8000: " + inQuotes(text);
        if (host.empty())
            return "no host before the port: " + inQuotes(text);
        if (std::string problem = checkHost(host); !problem.empty())
            return problem;
    }
    const std::optional<unsigned long> number = parseNumber(port);
    if (!number || *number < 1 || *number > 65535)
        return "the port must be 1..65535: " + inQuotes(text);
    out.host = host;
    out.port = static_cast<std::uint16_t>(*number);
    return "";
}

std::string parseLine(const std::string &text, LineSetting &line) {
    line = LineSetting{LineSetting::Kind::None, text, {}};
    const bool com = text.size() > 3 && (text[0] == 'C' || text[0] == 'c') &&
                     (text[1] == 'O' || text[1] == 'o') && (text[2] == 'M' || text[2] == 'm') &&
                     allDigits(std::string_view(text).substr(3));
    if (com) {
        const std::optional<unsigned long> n = parseNumber(std::string_view(text).substr(3));
        if (*n < 1 || *n > 99)
            return "serial ports are COM1..COM99: " + inQuotes(text);
        line.kind = LineSetting::Kind::SerialPort;
        return "";
    }
    if (text.find('/') != std::string::npos) {
        line.kind = LineSetting::Kind::DevicePath;
        return "";
    }
    if (text.find(':') == std::string::npos)
        return "not COMn, a device path (/dev/ttyUSB0) or HOST:PORT: " + inQuotes(text);
    line.kind = LineSetting::Kind::Network;
    return parseHostPort(text, line.endpoint);
}

std::string parseDevices(const std::string &text, std::vector<std::uint8_t> &devices) {
    std::vector<std::uint8_t> list;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = trimmed(std::string_view(text).substr(start, comma - start));
        if (item.empty())
            return "an empty entry in " + inQuotes(text);
        std::string problem;
        const std::optional<std::uint8_t> device = parseDevice(item, problem);
        if (!device)
            return problem;
        if (std::find(list.begin(), list.end(), *device) != list.end())
            return twoDigits(*device) + " is given twice";
        list.push_back(*device);
        if (comma == text.size())
            break;
        start = comma + 1;
    }
    devices = list;
    return "";
}

std::string parseVideohub(const std::string &text, PendingVideohub &out) {
    std::string address = text;
    if (const std::size_t at = text.find('@'); at != std::string::npos) {
        std::string problem;
        out.device = parseDevice(text.substr(0, at), problem);
        if (!out.device)
            return problem;
        address = text.substr(at + 1);
    }
    return parseHostPort(address, out.address);
}

std::string checkPasswordHash(const std::string &hash) {
    if (sodium_init() < 0)
        return "libsodium cannot start";
    if (hash.size() >= crypto_pwhash_STRBYTES ||
        crypto_pwhash_str_needs_rehash(hash.c_str(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                       crypto_pwhash_MEMLIMIT_INTERACTIVE) < 0)
        return "not a password hash as korvexd --hash-password prints it";
    return "";
}

std::string checkReadableFile(const std::string &path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return path + " is a folder, not a file";
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return "cannot read " + path + ": " + std::strerror(errno);
    std::fclose(file);
    return "";
}

// Everything being read, with where each setting came from.
struct Reading {
    Settings settings;
    std::vector<PendingVideohub> videohubs;
    std::map<std::string, std::string> where; // key: where it was set last
};

// Takes one given setting; the message when it is bad, else empty.
std::string apply(const Given &given, Reading &reading) {
    Settings &s = reading.settings;
    const std::string &v = given.value;
    const std::string &key = given.key;
    if (v.empty())
        return failure(given.where, "no value");
    std::string problem;
    if (key == "line") {
        problem = parseLine(v, s.line);
    } else if (key == "devices") {
        problem = parseDevices(v, s.devices);
    } else if (key == "listen") {
        problem = parseHostPort(v, s.listen);
    } else if (key == "http") {
        problem = parseHostPort(v, s.http);
    } else if (key == "videohub") {
        PendingVideohub listener{std::nullopt, {}, given.where};
        problem = parseVideohub(v, listener);
        reading.videohubs.push_back(listener);
    } else if (key == "poll") {
        const std::optional<unsigned long> seconds = parseNumber(v);
        if (!seconds)
            problem = "not a number of seconds: " + inQuotes(v);
        else if (*seconds > Settings::kMaxPollSeconds)
            problem = v + " is more than a day (86400 seconds)";
        else
            s.pollSeconds = static_cast<unsigned>(*seconds);
    } else if (key == "state-dir") {
        s.stateDir = v;
    } else if (key == "max-clients") {
        const std::optional<unsigned long> count = parseNumber(v);
        if (!count)
            problem = "not a number: " + inQuotes(v);
        else if (*count < 1 || *count > Settings::kMaxClientsLimit)
            problem = v + " is not between 1 and 1024";
        else
            s.maxClients = static_cast<unsigned>(*count);
    } else if (key == "password-hash") {
        problem = checkPasswordHash(v);
        s.passwordHash = v;
    } else if (key == "tls-cert" || key == "tls-key") {
        problem = checkReadableFile(v);
        (key == "tls-cert" ? s.tlsCert : s.tlsKey) = v;
    }
    reading.where[key] = given.where;
    return problem.empty() ? "" : failure(given.where, problem);
}

// The settings file's lines; a missing file is no error unless it is required.
std::string readFile(const std::string &path, bool required, std::vector<Given> &given, bool &found) {
    found = false;
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        if (errno == ENOENT && !required)
            return "";
        return "korvexd: cannot read " + path + ": " + std::strerror(errno);
    }
    std::string text;
    char buffer[4096];
    std::size_t n = 0;
    // A settings file is small; a device or a stray large file named by --config is not read to its end.
    constexpr std::size_t kMaxFileSize = 1 << 20;
    while (text.size() <= kMaxFileSize && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    if (text.size() > kMaxFileSize) {
        std::fclose(file);
        return "korvexd: " + path + ": larger than 1 MiB, so not a settings file";
    }
    const bool failed = std::ferror(file);
    const int error = errno;
    std::fclose(file);
    if (failed)
        return "korvexd: cannot read " + path + ": " + std::strerror(error);
    found = true;
    // A byte-order mark, as some editors write one, is no part of the first key.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);

    std::map<std::string, std::size_t> firstLine;
    std::size_t number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = trimmed(std::string_view(text).substr(start, end - start));
        start = end + 1;
        ++number;
        if (line.empty() || line.front() == '#')
            continue;
        const std::string at = path + ":" + std::to_string(number);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return failure(at, "not a \"key = value\" line: " + inQuotes(line));
        const std::string key(trimmed(line.substr(0, equals)));
        const Key *known = findKey(key);
        if (!known)
            return failure(at, "unknown setting " + inQuotes(key));
        if (key == "config")
            return failure(at + ": config", "given on the command line only (--config FILE)");
        if (!known->repeatable && firstLine.count(key))
            return failure(at + ": " + key,
                           "given twice (first on line " + std::to_string(firstLine[key]) + ")");
        firstLine.emplace(key, number);
        given.push_back({key, std::string(trimmed(line.substr(equals + 1))), at + ": " + key});
    }
    return "";
}

// Where a setting came from, for a message about two settings: "--listen", or its default.
std::string origin(const Reading &reading, const std::string &key) {
    const auto it = reading.where.find(key);
    return it != reading.where.end() ? it->second : "--" + key + " (default)";
}

// The checks that need every setting.
std::string checkTogether(Reading &reading, const std::string &configName) {
    Settings &s = reading.settings;
    if (s.line.kind == LineSetting::Kind::None)
        return "korvexd: no line to share: give --line COMn|PATH|HOST:PORT, or \"line = ...\" in " +
               configName + kSeeHelp;

    if (reading.videohubs.empty())
        reading.videohubs.push_back(
            {s.devices.front(), {"127.0.0.1", Settings::kDefaultVideohubPort}, "--videohub (default)"});
    std::string deviceList;
    for (std::uint8_t device : s.devices)
        deviceList += (deviceList.empty() ? "" : ",") + twoDigits(device);
    for (const PendingVideohub &pending : reading.videohubs) {
        const std::uint8_t device = pending.device.value_or(s.devices.front());
        if (std::find(s.devices.begin(), s.devices.end(), device) == s.devices.end())
            return failure(pending.where,
                           "device " + twoDigits(device) + " is not one of the devices (" + deviceList + ")");
        s.videohubs.push_back({device, pending.address});
    }

    // Two listeners cannot share an address.
    std::vector<std::pair<HostPort, std::string>> listeners = {{s.listen, origin(reading, "listen")},
                                                               {s.http, origin(reading, "http")}};
    for (const PendingVideohub &pending : reading.videohubs)
        listeners.emplace_back(pending.address, pending.where);
    const auto isDefault = [](const std::string &where) { return where.ends_with("(default)"); };
    for (std::size_t i = 1; i < listeners.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (!(listeners[i].first == listeners[j].first))
                continue;
            // The message blames a setting that was given rather than a default.
            const bool swap = isDefault(listeners[i].second) && !isDefault(listeners[j].second);
            const std::string &blamed = swap ? listeners[j].second : listeners[i].second;
            const std::string &other = swap ? listeners[i].second : listeners[j].second;
            return failure(blamed, listeners[i].first.text() + " is also the address of " + other);
        }
    }

    if (s.tlsCert.empty() != s.tlsKey.empty()) {
        const std::string given = s.tlsCert.empty() ? "tls-key" : "tls-cert";
        return failure(origin(reading, given), "give tls-cert and tls-key both, or neither");
    }
    if (s.passwordHash.empty() && !isLoopbackHost(s.http.host))
        return failure(origin(reading, "http"),
                       s.http.text() + " is reachable beyond this machine, so the web panel needs "
                                       "a password: set password-hash (korvexd --hash-password)");
    return "";
}

// The terminal's settings while the password is typed, restored if a signal ends the program.
termios g_savedTerminal;
volatile std::sig_atomic_t g_terminalFd = -1;

void restoreTerminalAndExit(int signal) {
    if (g_terminalFd >= 0)
        tcsetattr(g_terminalFd, TCSAFLUSH, &g_savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// One line without its line end; false at the end of the input before any byte.
bool readPasswordLine(std::FILE *in, std::string &line) {
    line.clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(in)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return any;
}

void forget(std::string &secret) {
    if (!secret.empty())
        sodium_memzero(secret.data(), secret.size());
    secret.clear();
}

} // namespace

std::string HostPort::text() const {
    const std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return shown + ":" + std::to_string(port);
}

bool isLoopbackHost(const std::string &host) {
    std::string lower = host;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (lower == "localhost")
        return true;
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6) == 1)
        return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
    return false;
}

SettingsResult readSettings(const std::vector<std::string> &args, const std::string &defaultConfig) {
    SettingsResult result;
    std::vector<Given> options;
    bool help = false;
    bool version = false;
    bool hash = false;
    std::string usageError;
    std::map<std::string, int> seen;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        std::string problem;
        if (arg == "-h" || arg == "--help") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--hash-password") {
            hash = true;
        } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            const std::size_t equals = arg.find('=');
            const std::string name =
                arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const Key *key = findKey(name);
            if (!key) {
                problem = "korvexd: unknown option " + inQuotes(arg.substr(0, equals)) + kSeeHelp;
            } else if (equals == std::string::npos &&
                       (i + 1 >= args.size() || args[i + 1].compare(0, 2, "--") == 0)) {
                problem = "korvexd: --" + name + " needs a value" + kSeeHelp;
            } else if (!key->repeatable && seen[name]++ > 0) {
                problem = failure("--" + name, "given twice");
            } else {
                const std::string value = equals == std::string::npos ? args[++i] : arg.substr(equals + 1);
                options.push_back({name, value, "--" + name});
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            problem = "korvexd: unknown option " + inQuotes(arg) + kSeeHelp;
        } else {
            problem = "korvexd: unexpected argument " + inQuotes(arg) + kSeeHelp;
        }
        if (usageError.empty())
            usageError = problem;
    }
    Settings &s = result.settings;
    if (help || version) {
        s.action = help ? Settings::Action::Help : Settings::Action::Version;
        return result;
    }
    if (!usageError.empty()) {
        result.error = usageError;
        return result;
    }
    if (hash) {
        s.action = Settings::Action::HashPassword;
        return result;
    }

    // The file first, then the options over it; --videohub options replace the file's listeners.
    const auto config =
        std::find_if(options.begin(), options.end(), [](const Given &g) { return g.key == "config"; });
    const std::string path = config != options.end() ? config->value : defaultConfig;
    std::vector<Given> fromFile;
    bool found = false;
    if (config != options.end() && path.empty()) {
        result.error = failure("--config", "no value");
        return result;
    }
    if (std::string error = readFile(path, config != options.end(), fromFile, found); !error.empty()) {
        result.error = error;
        return result;
    }
    Reading reading;
    if (found)
        reading.settings.configFile = path;
    for (const Given &given : fromFile) {
        if (std::string error = apply(given, reading); !error.empty()) {
            result.error = error;
            return result;
        }
    }
    if (std::any_of(options.begin(), options.end(), [](const Given &g) { return g.key == "videohub"; }))
        reading.videohubs.clear();
    for (const Given &given : options) {
        if (given.key == "config")
            continue;
        if (std::string error = apply(given, reading); !error.empty()) {
            result.error = error;
            return result;
        }
    }
    result.error = checkTogether(reading, path);
    result.settings = reading.settings;
    return result;
}

std::string helpText() {
    return "Usage: korvexd --line COMn|PATH|HOST:PORT [OPTION]...\n"
           "       korvexd --hash-password\n"
           "Shares one line of Korvex HDMI matrix switchers with many controllers at once: clients of the\n"
           "switchers' own protocol, a web panel with its JSON API, and Videohub router clients.\n"
           "\n"
           "  --config FILE            the settings file (default /etc/korvex/korvexd.conf)\n"
           "  --line COMn|PATH|HOST:PORT\n"
           "                           the line: a serial port, a device path or a switcher's LAN port\n"
           "  --devices 01,05,...      the devices on the line, addresses 1..99 (default 01)\n"
           "  --listen HOST:PORT       clients of the switchers' protocol (default 127.0.0.1:8000)\n"
           "  --http HOST:PORT         the web panel and JSON API (default 127.0.0.1:8080)\n"
           "  --videohub [NN@]HOST:PORT\n"
           "                           a Videohub router listener for device NN; may be repeated\n"
           "                           (default: the first device on 127.0.0.1:9990)\n"
           "  --poll SECONDS           ask every device for its status this often, 0 never (default 30)\n"
           "  --state-dir DIR          names, presets, locks and activity (default /var/lib/korvexd)\n"
           "  --max-clients N          clients at once, 1..1024 (default 32)\n"
           "  --password-hash HASH     the web panel's password, as --hash-password prints it; needed when\n"
           "                           --http listens beyond loopback\n"
           "  --tls-cert FILE, --tls-key FILE\n"
           "                           serve the web panel over HTTPS with this certificate and key\n"
           "  --hash-password          read a password from standard input and print its password-hash\n"
           "                           line for the settings file\n"
           "  -h, --help, --version\n"
           "\n"
           "HOST is a name, an IPv4 address or an IPv6 address in brackets ([::1]:8000). Every option with\n"
           "a value is also a \"key = value\" line of the settings file (poll = 10); options win over the\n"
           "file. See korvexd(8).\n";
}

std::string versionText() {
    return std::string("korvexd ") + KORVEX_VERSION;
}

int hashPassword(std::FILE *in, std::FILE *out, std::FILE *err) {
    if (sodium_init() < 0) {
        std::fputs("korvexd: libsodium cannot start\n", err);
        return kExitBadSetting;
    }
    std::string password;
    std::string again;
    bool typed = false;
    const int fd = fileno(in);
    if (isatty(fd)) {
        termios quiet{};
        if (tcgetattr(fd, &g_savedTerminal) != 0) {
            std::fprintf(err, "korvexd: tcgetattr: %s\n", std::strerror(errno));
            return kExitBadSetting;
        }
        quiet = g_savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL; // Enter still moves to the next line
        g_terminalFd = fd;
        const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
        for (int signal : signals)
            std::signal(signal, restoreTerminalAndExit);
        tcsetattr(fd, TCSAFLUSH, &quiet);
        std::fputs("Password: ", err);
        std::fflush(err);
        typed = readPasswordLine(in, password);
        if (typed) {
            std::fputs("Again: ", err);
            std::fflush(err);
            readPasswordLine(in, again);
        }
        tcsetattr(fd, TCSAFLUSH, &g_savedTerminal);
        g_terminalFd = -1;
        for (int signal : signals)
            std::signal(signal, SIG_DFL);
        if (typed && again != password) {
            forget(password);
            forget(again);
            std::fputs("korvexd: the two passwords differ; nothing was printed\n", err);
            return kExitBadSetting;
        }
        forget(again);
    } else {
        typed = readPasswordLine(in, password);
    }
    if (password.empty()) {
        std::fputs("korvexd: --hash-password: no password given\n", err);
        return kExitBadSetting;
    }
    char hash[crypto_pwhash_STRBYTES];
    const int hashed =
        crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE);
    forget(password);
    if (hashed != 0) {
        std::fputs("korvexd: --hash-password: not enough memory to hash the password\n", err);
        return kExitBadSetting;
    }
    std::fprintf(out, "password-hash = %s\n", hash);
    return std::fflush(out) == 0 ? 0 : kExitBadSetting;
}

} // namespace korvexd
