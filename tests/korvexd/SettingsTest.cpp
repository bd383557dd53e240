#include "Settings.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <poll.h>
#include <thread>

namespace korvexd {
namespace {

std::string replaced(std::string text, const std::string &from, const std::string &to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Every field, so that one comparison shows what differs.
std::string render(const Settings &s) {
    std::string out = "action " + std::to_string(static_cast<int>(s.action)) + "\nfile " + s.configFile +
                      "\nline " + std::to_string(static_cast<int>(s.line.kind)) + " " + s.line.text + " " +
                      s.line.endpoint.text() + "\ndevices";
    for (int device : s.devices)
        out += " " + std::to_string(device);
    out += "\nlisten " + s.listen.text() + "\nhttp " + s.http.text() + "\nvideohubs";
    for (const VideohubListener &v : s.videohubs)
        out += " " + std::to_string(v.device) + "@" + v.address.text();
    return out + "\npoll " + std::to_string(s.pollSeconds) + "\nstate " + s.stateDir + "\nclients " +
           std::to_string(s.maxClients) + "\nhash " + s.passwordHash + "\ntls " + s.tlsCert + " " + s.tlsKey;
}

std::string makeHash(const char *password) {
    char hash[crypto_pwhash_STRBYTES];
    EXPECT_EQ(sodium_init() >= 0 &&
                  crypto_pwhash_str(hash, password, std::strlen(password), crypto_pwhash_OPSLIMIT_MIN,
                                    crypto_pwhash_MEMLIMIT_MIN) == 0,
              true);
    return hash;
}

TEST(KorvexdSettings, FileThenOptions) {
    using K = LineSetting::Kind;
    using Expect = std::function<void(Settings &)>;
    const std::string hash = makeHash("secret");
    struct Case {
        const char *name;
        std::vector<std::string> args; // "{dir}": the temporary folder, "{hash}": a password hash
        std::string file;        // written as {dir}/korvexd.conf, the default settings file, if not empty
        std::string error;       // the one message, or empty
        Expect expect = nullptr; // changes from the defaults when there is no error
    };
    const std::string conf = "{dir}/korvexd.conf";
    const std::string file = "# korvexd\r\n\r\n  line = switcher.local:8000  \r\ndevices = 01, 2\r\n"
                             "videohub = 02@127.0.0.1:9990\nvideohub=127.0.0.1:9991\npoll=10\n";
    const Case cases[] = {
        {"options only",
         {"--line", "COM3"},
         "",
         "",
         [](Settings &s) {
             s.line = {K::SerialPort, "COM3", {}};
         }},
        {"every option",
         {"--line",
          "/dev/ttyUSB0",
          "--devices",
          "05,1,12",
          "--listen",
          "0.0.0.0:8001",
          "--http=[::1]:8081",
          "--videohub",
          "12@127.0.0.1:9991",
          "--videohub",
          "[::1]:9992",
          "--poll",
          "0",
          "--state-dir",
          "{dir}/state",
          "--max-clients",
          "1024",
          "--tls-cert",
          "{dir}/cert.pem",
          "--tls-key",
          "{dir}/key.pem"},
         "",
         "",
         [](Settings &s) {
             s.line = {K::DevicePath, "/dev/ttyUSB0", {}};
             s.devices = {5, 1, 12};
             s.listen = {"0.0.0.0", 8001};
             s.http = {"::1", 8081};
             s.videohubs = {{12, {"127.0.0.1", 9991}}, {5, {"::1", 9992}}};
             s.pollSeconds = 0;
             s.stateDir = "{dir}/state";
             s.maxClients = 1024;
             s.tlsCert = "{dir}/cert.pem";
             s.tlsKey = "{dir}/key.pem";
         }},
        {"the default file: comments, blanks, CR LF, repeated videohub",
         {},
         file,
         "",
         [](Settings &s) {
             s.configFile = "{dir}/korvexd.conf";
             s.line = {K::Network, "switcher.local:8000", {"switcher.local", 8000}};
             s.devices = {1, 2};
             s.videohubs = {{2, {"127.0.0.1", 9990}}, {1, {"127.0.0.1", 9991}}};
             s.pollSeconds = 10;
         }},
        {"options win over the file; --videohub replaces its listeners",
         {"--poll", "20", "--line", "COM1", "--videohub", "02@[::1]:9990"},
         file,
         "",
         [](Settings &s) {
             s.configFile = "{dir}/korvexd.conf";
             s.line = {K::SerialPort, "COM1", {}};
             s.devices = {1, 2};
             s.videohubs = {{2, {"::1", 9990}}};
             s.pollSeconds = 20;
         }},
        {"--config names the file",
         {"--config", conf},
         "line = /dev/ttyS0\n",
         "",
         [](Settings &s) {
             s.configFile = "{dir}/korvexd.conf";
             s.line = {K::DevicePath, "/dev/ttyS0", {}};
         }},
        {"link-local line, web panel on the LAN with a password",
         {"--line", "[fe80::1%eth0]:8000", "--http", "0.0.0.0:8080", "--password-hash", "{hash}"},
         "",
         "",
         [](Settings &s) {
             s.line = {K::Network, "[fe80::1%eth0]:8000", {"fe80::1%eth0", 8000}};
             s.http = {"0.0.0.0", 8080};
             s.passwordHash = "{hash}";
         }},
        {"loopback by name needs no password",
         {"--line", "COM1", "--http", "localhost:8080"},
         "",
         "",
         [](Settings &s) {
             s.line = {K::SerialPort, "COM1", {}};
             s.http = {"localhost", 8080};
         }},
        {"--help wins over a bad option",
         {"--bogus", "--help"},
         "",
         "",
         [](Settings &s) {
             s.action = Settings::Action::Help;
             s.videohubs.clear();
         }},
        {"--version",
         {"--version"},
         "",
         "",
         [](Settings &s) {
             s.action = Settings::Action::Version;
             s.videohubs.clear();
         }},
        {"--hash-password reads no file",
         {"--hash-password"},
         "garbage",
         "",
         [](Settings &s) {
             s.action = Settings::Action::HashPassword;
             s.videohubs.clear();
         }},
        // Usage errors.
        {"unknown option",
         {"--line", "COM1", "--pol", "5"},
         "",
         "korvexd: unknown option \"--pol\" (see korvexd --help)"},
        {"unknown option with =", {"--pol=5"}, "", "korvexd: unknown option \"--pol\" (see korvexd --help)"},
        {"unknown short option", {"-x"}, "", "korvexd: unknown option \"-x\" (see korvexd --help)"},
        {"argument", {"COM1"}, "", "korvexd: unexpected argument \"COM1\" (see korvexd --help)"},
        {"no value", {"--line"}, "", "korvexd: --line needs a value (see korvexd --help)"},
        {"an option for a value",
         {"--line", "--poll", "5"},
         "",
         "korvexd: --line needs a value (see korvexd --help)"},
        {"option twice",
         {"--line", "COM1", "--poll", "1", "--poll", "2"},
         "",
         "korvexd: --poll: given twice"},
        {"no line",
         {},
         "",
         "korvexd: no line to share: give --line COMn|PATH|HOST:PORT, or \"line = ...\" in " + conf +
             " (see korvexd --help)"},
        // The settings file.
        {"--config file missing",
         {"--config", "{dir}/nope.conf"},
         "",
         "korvexd: cannot read {dir}/nope.conf: No such file or directory"},
        {"--config a folder", {"--config", "{dir}"}, "", "korvexd: cannot read {dir}: Is a directory"},
        {"not key = value",
         {},
         "# x\nline COM1\n",
         "korvexd: " + conf + ":2: not a \"key = value\" line: \"line COM1\""},
        {"unknown key", {}, "pol = 5\n", "korvexd: " + conf + ":1: unknown setting \"pol\""},
        {"config key",
         {},
         "config = /x\n",
         "korvexd: " + conf + ":1: config: given on the command line only (--config FILE)"},
        {"key twice",
         {},
         "poll = 1\n\npoll = 2\n",
         "korvexd: " + conf + ":3: poll: given twice (first on line 1)"},
        {"empty value", {}, "poll =\n", "korvexd: " + conf + ":1: poll: no value"},
        {"bad device in the file",
         {},
         "#\n#\n#\n#\n#\n#\ndevices = 01,100\n",
         "korvexd: " + conf + ":7: devices: 100 is not a device address (1..99)"},
        {"bad file value beaten by no option",
         {"--devices", "01"},
         "devices = 0\n",
         "korvexd: " + conf + ":1: devices: 0 is not a device address (1..99)"},
        // Values.
        {"poll not a number",
         {"--line", "COM1", "--poll", "abc"},
         "",
         "korvexd: --poll: not a number of seconds: \"abc\""},
        {"poll negative",
         {"--line", "COM1", "--poll", "-1"},
         "",
         "korvexd: --poll: not a number of seconds: \"-1\""},
        {"poll over a day",
         {"--line", "COM1", "--poll", "86401"},
         "",
         "korvexd: --poll: 86401 is more than a day (86400 seconds)"},
        {"poll huge",
         {"--line", "COM1", "--poll", "99999999999999999999"},
         "",
         "korvexd: --poll: 99999999999999999999 is more than a day (86400 seconds)"},
        {"no clients", {"--max-clients", "0"}, "", "korvexd: --max-clients: 0 is not between 1 and 1024"},
        {"too many clients",
         {"--max-clients", "1025"},
         "",
         "korvexd: --max-clients: 1025 is not between 1 and 1024"},
        {"clients not a number", {"--max-clients", "x"}, "", "korvexd: --max-clients: not a number: \"x\""},
        {"device 0", {"--devices", "00"}, "", "korvexd: --devices: 00 is not a device address (1..99)"},
        {"device three digits",
         {"--devices", "001"},
         "",
         "korvexd: --devices: 001 is not a device address (1..99)"},
        {"device not a number",
         {"--devices", "01,abc"},
         "",
         "korvexd: --devices: \"abc\" is not a device address (1..99)"},
        {"device list with a hole",
         {"--devices", "01,,02"},
         "",
         "korvexd: --devices: an empty entry in \"01,,02\""},
        {"device twice", {"--devices", "01, 1"}, "", "korvexd: --devices: 01 is given twice"},
        {"line COM0", {"--line", "COM0"}, "", "korvexd: --line: serial ports are COM1..COM99: \"COM0\""},
        {"line COM100",
         {"--line", "com100"},
         "",
         "korvexd: --line: serial ports are COM1..COM99: \"com100\""},
        {"line neither",
         {"--line", "ttyUSB0"},
         "",
         "korvexd: --line: not COMn, a device path (/dev/ttyUSB0) or HOST:PORT: \"ttyUSB0\""},
        {"line port 0",
         {"--line", "switcher:0"},
         "",
         "korvexd: --line: the port must be 1..65535: \"switcher:0\""},
        {"no port", {"--listen", "8000"}, "", "korvexd: --listen: not HOST:PORT: \"8000\""},
        {"port too big",
         {"--listen", "localhost:65536"},
         "",
         "korvexd: --listen: the port must be 1..65535: \"localhost:65536\""},
        {"port not a number",
         {"--listen", "localhost:http"},
         "",
         "korvexd: --listen: the port must be 1..65535: \"localhost:http\""},
        {"no host", {"--listen", ":8000"}, "", "korvexd: --listen: no host before the port: \":8000\""},
        {"IPv6 without brackets",
         {"--listen", "::1:8000"},
         "",
         "korvexd: --listen: an IPv6 address goes in brackets, as in [::1]:8000: \"::1:8000\""},
        {"no closing bracket",
         {"--listen", "[::1:8000"},
         "",
         "korvexd: --listen: no \"]\" after the IPv6 address: \"[::1:8000\""},
        {"no port after brackets",
         {"--listen", "[::1]8000"},
         "",
         "korvexd: --listen: no port after the address: \"[::1]8000\" (HOST:PORT)"},
        {"not IPv6", {"--listen", "[zz::1]:80"}, "", "korvexd: --listen: not an IPv6 address: \"zz::1\""},
        {"not IPv4", {"--listen", "1.2.3:80"}, "", "korvexd: --listen: not an IPv4 address: \"1.2.3\""},
        {"not a host name",
         {"--listen", "my host:80"},
         "",
         "korvexd: --listen: not a host name or address: \"my host\""},
        {"host name label",
         {"--listen", "a..b:80"},
         "",
         "korvexd: --listen: not a host name or address: \"a..b\""},
        {"videohub for another device",
         {"--line", "COM1", "--videohub", "07@127.0.0.1:9990"},
         "",
         "korvexd: --videohub: device 07 is not one of the devices (01)"},
        {"videohub device in the file",
         {"--line", "COM1"},
         "videohub = 0@127.0.0.1:9990\n",
         "korvexd: " + conf + ":1: videohub: 0 is not a device address (1..99)"},
        {"two listeners on one address",
         {"--line", "COM1", "--listen", "127.0.0.1:8080"},
         "",
         "korvexd: --listen: 127.0.0.1:8080 is also the address of --http (default)"},
        {"videohub on the listener's address",
         {"--line", "COM1", "--videohub", "127.0.0.1:8000"},
         "",
         "korvexd: --videohub: 127.0.0.1:8000 is also the address of --listen (default)"},
        {"certificate without key",
         {"--line", "COM1", "--tls-cert", "{dir}/cert.pem"},
         "",
         "korvexd: --tls-cert: give tls-cert and tls-key both, or neither"},
        {"key file missing",
         {"--tls-key", "{dir}/none.pem"},
         "",
         "korvexd: --tls-key: cannot read {dir}/none.pem: No such file or directory"},
        {"key a folder", {"--tls-key", "{dir}"}, "", "korvexd: --tls-key: {dir} is a folder, not a file"},
        {"LAN panel without a password",
         {"--line", "COM1", "--http", "[::]:8080"},
         "",
         "korvexd: --http: [::]:8080 is reachable beyond this machine, so the web panel needs a password: "
         "set password-hash (korvexd --hash-password)"},
        {"named panel without a password",
         {"--line", "COM1"},
         "http = panel.example:80\n",
         "korvexd: " + conf +
             ":1: http: panel.example:80 is reachable beyond this machine, so the web panel needs a "
             "password: set password-hash (korvexd --hash-password)"},
        {"not a password hash",
         {"--password-hash", "$argon2id$v=19$m=65536,t=2,p=1$abc"},
         "",
         "korvexd: --password-hash: not a password hash as korvexd --hash-password prints it"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::ScopedTempCwd dir;
        const auto fill = [&](const std::string &text) {
            return replaced(replaced(text, "{dir}", dir.path()), "{hash}", hash);
        };
        testsupport::writeFile(dir.file("cert.pem"), "certificate");
        testsupport::writeFile(dir.file("key.pem"), "key");
        if (!c.file.empty())
            testsupport::writeFile(dir.file("korvexd.conf"), c.file);
        std::vector<std::string> args;
        for (const std::string &arg : c.args)
            args.push_back(fill(arg));
        const SettingsResult result = readSettings(args, dir.file("korvexd.conf"));
        EXPECT_EQ(result.error, fill(c.error));
        if (c.expect && result.ok()) {
            Settings expected;
            expected.videohubs = {{1, {"127.0.0.1", 9990}}};
            c.expect(expected);
            expected.configFile = fill(expected.configFile);
            expected.stateDir = fill(expected.stateDir);
            expected.passwordHash = fill(expected.passwordHash);
            expected.tlsCert = fill(expected.tlsCert);
            expected.tlsKey = fill(expected.tlsKey);
            EXPECT_EQ(render(result.settings), render(expected));
        }
    }
}

// The installed settings file, its commented defaults taken in, gives the defaults: the file says
// what korvexd does.
TEST(KorvexdSettings, InstalledFileStatesTheDefaults) {
    std::string text = testsupport::readFile(KORVEXD_CONF);
    ASSERT_FALSE(text.empty());
    for (const char *key : {"devices", "listen", "http", "videohub", "poll", "state-dir", "max-clients"}) {
        const std::size_t at = text.find(std::string("\n#") + key + " = ");
        ASSERT_NE(at, std::string::npos) << key;
        text.erase(at + 1, 1);
    }
    testsupport::ScopedTempCwd dir;
    testsupport::writeFile(dir.file("korvexd.conf"), text);
    const SettingsResult result = readSettings({"--line", "COM1"}, dir.file("korvexd.conf"));
    ASSERT_EQ(result.error, "");
    Settings expected;
    expected.configFile = dir.file("korvexd.conf");
    expected.line = {LineSetting::Kind::SerialPort, "COM1", {}};
    expected.videohubs = {{1, {"127.0.0.1", 9990}}};
    EXPECT_EQ(render(result.settings), render(expected));
}

// The hash printed from a password piped in is accepted as a setting and matches the password.
TEST(KorvexdSettings, HashPasswordFromAPipe) {
    testsupport::ScopedTempCwd dir;
    testsupport::writeFile(dir.file("password"), "correct horse\r\nsecond line\n");
    std::FILE *in = std::fopen(dir.file("password").c_str(), "rb");
    std::FILE *out = std::tmpfile();
    ASSERT_TRUE(in && out);
    EXPECT_EQ(hashPassword(in, out, stderr), 0);
    std::rewind(out);
    char line[256] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, out));
    std::fclose(in);
    std::fclose(out);
    std::string text = line;
    ASSERT_EQ(text.rfind("password-hash = ", 0), 0u) << text;
    ASSERT_EQ(text.back(), '\n');
    const std::string hash = text.substr(16, text.size() - 17);
    EXPECT_EQ(crypto_pwhash_str_verify(hash.c_str(), "correct horse", 13), 0);
    testsupport::writeFile(dir.file("korvexd.conf"), text + "line = COM1\nhttp = 0.0.0.0:8080\n");
    const SettingsResult result = readSettings({}, dir.file("korvexd.conf"));
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.settings.passwordHash, hash);
}

// On a terminal the password is asked twice and never echoed.
TEST(KorvexdSettings, HashPasswordOnATerminalDoesNotEcho) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    std::FILE *terminal = fdopen(slave, "r+");
    std::FILE *out = std::tmpfile();
    int status = -1;
    std::thread asker([&] { status = hashPassword(terminal, out, terminal); });
    std::string seen;
    const auto waitFor = [&](const std::string &text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (seen.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd p{master, POLLIN, 0};
            char buffer[256];
            if (poll(&p, 1, 100) > 0) {
                const ssize_t n = read(master, buffer, sizeof buffer);
                if (n > 0)
                    seen.append(buffer, static_cast<std::size_t>(n));
            }
        }
        return seen.find(text) != std::string::npos;
    };
    const bool asked = waitFor("Password: ") && write(master, "hunter2\n", 8) == 8 && waitFor("Again: ") &&
                       write(master, "hunter2\n", 8) == 8;
    if (!asked) {
        close(master); // the asker reads the end of the input and returns
        master = -1;
    }
    asker.join();
    EXPECT_TRUE(asked) << seen;
    EXPECT_EQ(status, 0);
    EXPECT_EQ(seen.find("hunter2"), std::string::npos) << seen;
    std::rewind(out);
    char line[256] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, out));
    std::string hash = std::string(line).substr(16);
    hash.pop_back();
    EXPECT_EQ(crypto_pwhash_str_verify(hash.c_str(), "hunter2", 7), 0);
    std::fclose(out);
    std::fclose(terminal);
    if (master >= 0)
        close(master);
}

} // namespace
} // namespace korvexd
