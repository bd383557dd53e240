#include "Settings.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <sstream>
#include <thread>

namespace korvexd {
namespace {

using Fields = std::map<std::string, std::string>;

std::string replaced(std::string text, const std::string &from, const std::string &to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Every field by name, so that a failed comparison shows what differs.
Fields fields(const Settings &s) {
    const char *kinds[] = {"none", "serial", "path", "net"};
    std::string line = std::string(kinds[static_cast<int>(s.line.kind)]) + " " + s.line.text;
    if (s.line.kind == LineSetting::Kind::Network)
        line += " " + s.line.endpoint.text();
    std::string devices;
    for (int device : s.devices)
        devices += (devices.empty() ? "" : ",") + std::to_string(device);
    std::string videohubs;
    for (const VideohubListener &v : s.videohubs)
        videohubs += (videohubs.empty() ? "" : " ") + std::to_string(v.device) + "@" + v.address.text();
    return {{"action", std::to_string(static_cast<int>(s.action))},
            {"file", s.configFile},
            {"line", line},
            {"devices", devices},
            {"listen", s.listen.text()},
            {"http", s.http.text()},
            {"videohubs", videohubs},
            {"poll", std::to_string(s.pollSeconds)},
            {"state", s.stateDir},
            {"clients", std::to_string(s.maxClients)},
            {"hash", s.passwordHash},
            {"tls", s.tlsCert + " " + s.tlsKey}};
}

Fields defaults() {
    Settings s;
    s.videohubs = {{1, {"127.0.0.1", 9990}}};
    return fields(s);
}

TEST(KorvexdSettings, FileThenOptions) {
    char hash[crypto_pwhash_STRBYTES];
    ASSERT_EQ(sodium_init() >= 0 && crypto_pwhash_str(hash, "secret", 6, crypto_pwhash_OPSLIMIT_MIN,
                                                      crypto_pwhash_MEMLIMIT_MIN) == 0,
              true);
    struct Case {
        std::string args;        // split at blanks; "{dir}" is the temporary folder, "{hash}" a password hash
        std::string file;        // written as {dir}/korvexd.conf, the default settings file, when not empty
        std::string error;       // the one message, or empty
        std::string expect = {}; // "field=value|..." that differ from the defaults when there is no error
    };
    const std::string c = "korvexd: {dir}/korvexd.conf:";
    const std::string file =
        "\xEF\xBB\xBF# korvexd\r\n\r\n  line = switcher.local:8000  \r\ndevices = 01, 2\r\n"
        "videohub = 02@127.0.0.1:9990\nvideohub=127.0.0.1:9991\npoll=10\n";
    const std::string noPassword =
        " is reachable beyond this machine, so the web panel needs a password: set "
        "password-hash (korvexd --hash-password)";
    const Case cases[] = {
        {"--line COM3", "", "", "line=serial COM3"},
        {"--line /dev/ttyUSB0 --devices 05,1,12 --listen 0.0.0.0:8001 --http=[::1]:8081 --videohub "
         "12@127.0.0.1:9991 "
         "--videohub [::1]:9992 --poll 0 --state-dir {dir}/s --max-clients 1024 --tls-cert {dir}/c --tls-key "
         "{dir}/k",
         "", "",
         "line=path "
         "/dev/ttyUSB0|devices=5,1,12|listen=0.0.0.0:8001|http=[::1]:8081|videohubs=12@127.0.0.1:9991 "
         "5@[::1]:9992|poll=0|state={dir}/s|clients=1024|tls={dir}/c {dir}/k"},
        {"", file, "",
         "file={dir}/korvexd.conf|line=net switcher.local:8000 switcher.local:8000|devices=1,2|"
         "videohubs=2@127.0.0.1:9990 1@127.0.0.1:9991|poll=10"},
        {"--poll 20 --line COM1 --videohub 02@[::1]:9990", file, "",
         "file={dir}/korvexd.conf|line=serial COM1|devices=1,2|videohubs=2@[::1]:9990|poll=20"},
        {"--config {dir}/korvexd.conf", "line = /dev/ttyS0\n", "",
         "file={dir}/korvexd.conf|line=path /dev/ttyS0"},
        {"--line [fe80::1%eth0]:8000 --http 0.0.0.0:8080 --password-hash {hash}", "", "",
         "line=net [fe80::1%eth0]:8000 [fe80::1%eth0]:8000|http=0.0.0.0:8080|hash={hash}"},
        {"--line COM1 --http localhost:8080", "", "", "line=serial COM1|http=localhost:8080"},
        {"--bogus --help", "", "", "action=1|videohubs="},
        {"--version", "", "", "action=2|videohubs="},
        {"--hash-password", "garbage", "", "action=3|videohubs="},
        // Usage errors.
        {"--line COM1 --pol 5", "", "korvexd: unknown option \"--pol\" (see korvexd --help)"},
        {"--pol=5", "", "korvexd: unknown option \"--pol\" (see korvexd --help)"},
        {"-x", "", "korvexd: unknown option \"-x\" (see korvexd --help)"},
        {"COM1", "", "korvexd: unexpected argument \"COM1\" (see korvexd --help)"},
        {"--line", "", "korvexd: --line needs a value (see korvexd --help)"},
        {"--line --poll 5", "", "korvexd: --line needs a value (see korvexd --help)"},
        {"--line COM1 --poll 1 --poll 2", "", "korvexd: --poll: given twice"},
        {"", "",
         "korvexd: no line to share: give --line COMn|PATH|HOST:PORT, or \"line = ...\" in "
         "{dir}/korvexd.conf (see "
         "korvexd --help)"},
        // The settings file.
        {"--config {dir}/nope.conf", "", "korvexd: cannot read {dir}/nope.conf: No such file or directory"},
        {"--config {dir}", "", "korvexd: cannot read {dir}: Is a directory"},
        {"--config /dev/zero", "", "korvexd: /dev/zero: larger than 1 MiB, so not a settings file"},
        {"", "# x\nline COM1\n", c + "2: not a \"key = value\" line: \"line COM1\""},
        {"", "pol = 5\n", c + "1: unknown setting \"pol\""},
        {"", "config = /x\n", c + "1: config: given on the command line only (--config FILE)"},
        {"", "poll = 1\n\npoll = 2\n", c + "3: poll: given twice (first on line 1)"},
        {"", "poll =\n", c + "1: poll: no value"},
        {"", "#\n#\n#\n#\n#\n#\ndevices = 01,100\n", c + "7: devices: 100 is not a device address (1..99)"},
        {"--devices 01", "devices = 0\n", c + "1: devices: 0 is not a device address (1..99)"},
        // Values.
        {"--poll abc", "", "korvexd: --poll: not a number of seconds: \"abc\""},
        {"--poll -1", "", "korvexd: --poll: not a number of seconds: \"-1\""},
        {"--poll 86401", "", "korvexd: --poll: 86401 is more than a day (86400 seconds)"},
        {"--poll 99999999999999999999", "",
         "korvexd: --poll: 99999999999999999999 is more than a day (86400 seconds)"},
        {"--max-clients 0", "", "korvexd: --max-clients: 0 is not between 1 and 1024"},
        {"--max-clients 1025", "", "korvexd: --max-clients: 1025 is not between 1 and 1024"},
        {"--max-clients x", "", "korvexd: --max-clients: not a number: \"x\""},
        {"--devices 00", "", "korvexd: --devices: 00 is not a device address (1..99)"},
        {"--devices 001", "", "korvexd: --devices: 001 is not a device address (1..99)"},
        {"--devices 01,abc", "", "korvexd: --devices: \"abc\" is not a device address (1..99)"},
        {"--devices 01,,02", "", "korvexd: --devices: an empty entry in \"01,,02\""},
        {"--devices 01,1", "", "korvexd: --devices: 01 is given twice"},
        {"--line COM0", "", "korvexd: --line: serial ports are COM1..COM99: \"COM0\""},
        {"--line com100", "", "korvexd: --line: serial ports are COM1..COM99: \"com100\""},
        {"--line ttyUSB0", "",
         "korvexd: --line: not COMn, a device path (/dev/ttyUSB0) or HOST:PORT: \"ttyUSB0\""},
        {"--line switcher:0", "", "korvexd: --line: the port must be 1..65535: \"switcher:0\""},
        {"--listen 8000", "", "korvexd: --listen: not HOST:PORT: \"8000\""},
        {"--listen localhost:65536", "", "korvexd: --listen: the port must be 1..65535: \"localhost:65536\""},
        {"--listen localhost:http", "", "korvexd: --listen: the port must be 1..65535: \"localhost:http\""},
        {"--listen :8000", "", "korvexd: --listen: no host before the port: \":8000\""},
        {"--listen ::1:8000", "",
         "korvexd: --listen: an IPv6 address goes in brackets, as in [::1]:8000: \"::1:8000\""},
        {"--listen [::1:8000", "", "korvexd: --listen: no \"]\" after the IPv6 address: \"[::1:8000\""},
        {"--listen [::1]8000", "", "korvexd: --listen: no port after the address: \"[::1]8000\" (HOST:PORT)"},
        {"--listen [zz::1]:80", "", "korvexd: --listen: not an IPv6 address: \"zz::1\""},
        {"--listen 1.2.3:80", "", "korvexd: --listen: not an IPv4 address: \"1.2.3\""},
        {"--listen my!host:80", "", "korvexd: --listen: not a host name or address: \"my!host\""},
        {"--listen a..b:80", "", "korvexd: --listen: not a host name or address: \"a..b\""},
        {"--line COM1 --videohub 07@127.0.0.1:9990", "",
         "korvexd: --videohub: device 07 is not one of the devices (01)"},
        {"--line COM1", "videohub = 0@127.0.0.1:9990\n",
         c + "1: videohub: 0 is not a device address (1..99)"},
        {"--line COM1 --listen 127.0.0.1:8080", "",
         "korvexd: --listen: 127.0.0.1:8080 is also the address of --http (default)"},
        {"--line COM1 --videohub 127.0.0.1:8000", "",
         "korvexd: --videohub: 127.0.0.1:8000 is also the address of --listen (default)"},
        {"--line COM1 --tls-cert {dir}/c", "",
         "korvexd: --tls-cert: give tls-cert and tls-key both, or neither"},
        {"--tls-key {dir}/none", "", "korvexd: --tls-key: cannot read {dir}/none: No such file or directory"},
        {"--tls-key {dir}", "", "korvexd: --tls-key: {dir} is a folder, not a file"},
        {"--line COM1 --http [::]:8080", "", "korvexd: --http: [::]:8080" + noPassword},
        {"--line COM1", "http = panel.example:80\n", c + "1: http: panel.example:80" + noPassword},
        {"--password-hash $argon2id$v=19$m=65536,t=2,p=1$abc", "",
         "korvexd: --password-hash: not a password hash as korvexd --hash-password prints it"},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.args + " / " + row.file);
        testsupport::ScopedTempCwd dir;
        const auto fill = [&](const std::string &text) {
            return replaced(replaced(text, "{dir}", dir.path()), "{hash}", hash);
        };
        testsupport::writeFile(dir.file("c"), "certificate");
        testsupport::writeFile(dir.file("k"), "key");
        if (!row.file.empty())
            testsupport::writeFile(dir.file("korvexd.conf"), row.file);
        std::vector<std::string> args;
        std::istringstream words(fill(row.args));
        for (std::string word; words >> word;)
            args.push_back(word);
        const SettingsResult result = readSettings(args, dir.file("korvexd.conf"));
        EXPECT_EQ(result.error, fill(row.error));
        if (row.error.empty()) {
            Fields expected = defaults();
            std::istringstream changes(fill(row.expect));
            for (std::string change; std::getline(changes, change, '|');)
                expected[change.substr(0, change.find('='))] = change.substr(change.find('=') + 1);
            EXPECT_EQ(fields(result.settings), expected);
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
    Fields expected = defaults();
    expected["file"] = dir.file("korvexd.conf");
    expected["line"] = "serial COM1";
    EXPECT_EQ(fields(result.settings), expected);
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
