#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// korvexd's settings: read from the settings file, then from the command line, which wins. A bad
// setting stops the start with one message that names it.
namespace korvexd {

// A host and port to listen on or to connect to. The host is kept as given, without the brackets
// of an IPv6 address.
struct HostPort {
    std::string host;
    std::uint16_t port = 0;

    // "127.0.0.1:8000", "[::1]:8000".
    std::string text() const;
    bool operator==(const HostPort &) const = default;
};

// The line korvexd holds for everyone.
struct LineSetting {
    enum class Kind {
        None,       // not given
        SerialPort, // "COM3", named as the console names ports
        DevicePath, // "/dev/ttyUSB0"
        Network,    // a switcher's LAN port
    };
    Kind kind = Kind::None;
    std::string text;  // as given
    HostPort endpoint; // for Network

    bool operator==(const LineSetting &) const = default;
};

// A Videohub router listener and the device it routes.
struct VideohubListener {
    std::uint8_t device = 1;
    HostPort address;

    bool operator==(const VideohubListener &) const = default;
};

struct Settings {
    enum class Action { Run, Help, Version, HashPassword };

    static constexpr const char *kDefaultConfig = "/etc/korvex/korvexd.conf";
    static constexpr std::uint16_t kDefaultVideohubPort = 9990;
    static constexpr unsigned kMaxPollSeconds = 86400;
    static constexpr unsigned kMaxClientsLimit = 1024;

    Action action = Action::Run;
    std::string configFile; // the settings file that was read; empty when there was none
    LineSetting line;
    std::vector<std::uint8_t> devices = {1}; // addresses 1..99, in the order given
    HostPort listen = {"127.0.0.1", 8000};   // the switchers' protocol
    HostPort http = {"127.0.0.1", 8080};     // web panel and JSON API
    // At least one once read: by default the first device on 127.0.0.1:9990.
    std::vector<VideohubListener> videohubs;
    unsigned pollSeconds = 30; // 0: no polling
    std::string stateDir = "/var/lib/korvexd";
    unsigned maxClients = 32;
    std::string passwordHash; // libsodium crypto_pwhash_str text; empty: no password
    std::string tlsCert;      // both or neither
    std::string tlsKey;

    bool operator==(const Settings &) const = default;
};

// Exit status for a bad setting or a usage error.
inline constexpr int kExitBadSetting = 1;

struct SettingsResult {
    Settings settings;
    // One line, "korvexd: --poll: not a number of seconds: "abc""; empty when the settings are good.
    std::string error;

    bool ok() const { return error.empty(); }
};

// The settings from the command-line arguments (without the program name) over those of the
// settings file: the one --config names (which must exist), else `defaultConfig` when it exists.
// --help, --version and --hash-password only set the action; nothing else is read for them.
SettingsResult readSettings(const std::vector<std::string> &args,
                            const std::string &defaultConfig = Settings::kDefaultConfig);

// True for a host that only this machine reaches: "localhost", 127.0.0.0/8 and ::1.
bool isLoopbackHost(const std::string &host);

// The text of --help.
std::string helpText();
// "korvexd 2.0".
std::string versionText();

// --hash-password: reads a password (the first line of `in`, or on a terminal typed twice without
// echo, the prompts on `err`), prints "password-hash = ..." for the settings file on `out` and
// returns the exit status; a failure is one line on `err`.
int hashPassword(std::FILE *in, std::FILE *out, std::FILE *err);

} // namespace korvexd
