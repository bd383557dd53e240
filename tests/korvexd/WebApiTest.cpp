// korvexd's HTTP surface over real loopback sockets: one table of requests and the answers the error
// rules, access and the cross-site rules call for, against the real program. The line is a device
// that is not there (nothing here needs the switcher), so "the line is not on" is one of the rows.
#include "HttpRoundTrip.h"
#include "KorvexdProcess.h"
#include "TempDir.h"
#include "WaitFor.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char **environ;

namespace {

using Answer = testsupport::HttpAnswer;
using testsupport::httpRoundTrip;

// korvexd started with a line that is not there (COM99, /dev/ttyAMA2), on free loopback ports, in a
// temporary folder.
class Korvexd {
public:
    explicit Korvexd(const std::string &passwordHash) : port(testsupport::freeLoopbackPort()) {
        const char *program = std::getenv("KORVEXD");
        if (!program)
            return;
        std::vector<std::string> args = {
            program,       "--line",
            "COM99", // no such port here: the line stays lost
            "--listen",    "127.0.0.1:" + std::to_string(testsupport::freeLoopbackPort()),
            "--http",      "127.0.0.1:" + std::to_string(port),
            "--videohub",  "127.0.0.1:" + std::to_string(testsupport::freeLoopbackPort()),
            "--state-dir", m_dir.file("state"),
            "--config",    m_dir.file("korvexd.conf")};
        testsupport::writeFile(m_dir.file("korvexd.conf"),
                               passwordHash.empty() ? "" : "password-hash = " + passwordHash + "\n");
        std::vector<char *> argv;
        for (std::string &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, m_dir.file("korvexd.log").c_str(), O_WRONLY | O_CREAT,
                                         0600);
        if (posix_spawn(&m_pid, program, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        testsupport::waitFor([this] {
            return httpRoundTrip(port, "GET /login HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").status == 200;
        });
    }
    ~Korvexd() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    std::string log() const { return testsupport::readFile(m_dir.file("korvexd.log")); }

    const std::uint16_t port;

private:
    testsupport::ScopedTempCwd m_dir;
    pid_t m_pid = -1;
};

struct Row {
    const char *what;
    std::string method;
    std::string target;
    std::vector<std::string> headers; // beyond Host and Connection
    std::string body;
    int status;
    std::string inBody; // the answer's body holds this, or "@name: text" the header "name"
};

std::string request(const Row &row, std::uint16_t port, const std::string &cookie) {
    std::string text = row.method + " " + row.target + " HTTP/1.1\r\n";
    bool host = false;
    for (const std::string &h : row.headers) {
        text += h + "\r\n";
        host = host || h.rfind("Host:", 0) == 0;
    }
    if (!host)
        text += "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
    if (!cookie.empty())
        text += "Cookie: korvex_session=" + cookie + "\r\n";
    if (!row.body.empty() || row.method == "POST" || row.method == "PUT" || row.method == "PATCH")
        text += "Content-Length: " + std::to_string(row.body.size()) + "\r\n";
    return text + "Connection: close\r\n\r\n" + row.body;
}

void runRows(const Korvexd &korvexd, const std::vector<Row> &rows, std::string *cookie = nullptr) {
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        const Answer answer = httpRoundTrip(korvexd.port, request(row, korvexd.port, cookie ? *cookie : ""));
        EXPECT_EQ(answer.status, row.status) << answer.body << korvexd.log();
        if (!row.inBody.empty() && row.inBody[0] == '@') {
            const std::size_t colon = row.inBody.find(": ");
            const auto found = answer.headers.find(row.inBody.substr(1, colon - 1));
            ASSERT_NE(found, answer.headers.end()) << row.inBody;
            EXPECT_NE(found->second.find(row.inBody.substr(colon + 2)), std::string::npos) << found->second;
        } else {
            EXPECT_NE(answer.body.find(row.inBody), std::string::npos) << answer.body;
        }
        if (cookie && answer.headers.count("set-cookie")) {
            const std::string &set = answer.headers.at("set-cookie");
            if (const std::string value = set.substr(15, set.find(';') - 15); !value.empty())
                *cookie = value; // the session's token stays at hand after logging out
        }
    }
}

const std::string kJson = "Content-Type: application/json";
const std::string kUpgrade = "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
                             "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==";

TEST(WebApi, ErrorsAndCrossSiteRulesOnAnOpenPanel) {
    Korvexd korvexd("");
    const std::string self = "Origin: http://127.0.0.1:" + std::to_string(korvexd.port);
    const std::vector<Row> rows = {
        {"the devices", "GET", "/api/devices", {}, "", 200, "\"state\":\"lost\""},
        {"the panel without a session",
         "GET",
         "/",
         {"Accept-Encoding: gzip"},
         "",
         200,
         "@content-encoding: gzip"},
        {"a file's validator", "GET", "/favicon.svg", {}, "", 200, "@etag: \""},
        {"no such page", "GET", "/secret.txt", {}, "", 404, "{\"error\":"},
        {"no such device", "GET", "/api/devices/05", {}, "", 404, "no device 05"},
        {"not a device", "GET", "/api/devices/1x", {}, "", 404, "no device"},
        {"no such path", "GET", "/api/devices/01/routing", {}, "", 404, "no such path"},
        {"wrong method", "DELETE", "/api/devices/01/routes", {}, "", 405, "@allow: POST"},
        {"no such output",
         "PUT",
         "/api/devices/01/locks/10",
         {kJson},
         R"({"locked":true})",
         404,
         "no output 10"},
        {"no such preset", "POST", "/api/devices/1/presets/7/recall", {kJson}, "{}", 404, "no preset 7"},
        {"not JSON", "POST", "/api/devices/01/routes", {kJson}, "[{", 400, "not JSON"},
        {"not declared JSON",
         "POST",
         "/api/devices/01/routes",
         {"Content-Type: text/plain"},
         "[]",
         400,
         "Content-Type"},
        {"a form",
         "POST",
         "/api/devices/01/routes",
         {"Content-Type: application/x-www-form-urlencoded"},
         "output=1&input=2",
         400,
         "Content-Type"},
        {"an empty list", "POST", "/api/devices/01/routes", {kJson}, "[]", 400, "non-empty list"},
        {"an entry without input",
         "POST",
         "/api/devices/01/routes",
         {kJson},
         R"([{"output":1,"input":2},{"output":3}])",
         400,
         R"(routes: entry 2 has no \"input\")"},
        {"an output twice",
         "POST",
         "/api/devices/01/routes",
         {kJson},
         R"([{"output":1,"input":2},{"output":1,"input":3}])",
         400,
         "listed twice"},
        {"a fraction",
         "POST",
         "/api/devices/01/routes",
         {kJson},
         R"([{"output":1.5,"input":2}])",
         400,
         "whole number"},
        {"an output out of range",
         "POST",
         "/api/devices/01/routes",
         {kJson},
         R"([{"output":12,"input":2}])",
         422,
         "output 12 is not in 1..9"},
        {"an input out of range",
         "POST",
         "/api/devices/01/routes",
         {kJson},
         R"([{"output":1,"input":0}])",
         422,
         "input 0 is not in 1..10"},
        {"a body with a DELETE", "DELETE", "/api/devices/01/presets/1", {kJson}, "{}", 400, "no body"},
        {"a body over 64 KiB",
         "PUT",
         "/api/devices/01/names/inputs/1",
         {kJson},
         R"({"name":")" + std::string(70000, 'a') + R"("})",
         413,
         "64 KiB"},
        {"a name too long",
         "PUT",
         "/api/devices/01/names/inputs/1",
         {kJson},
         R"({"name":"123456789012345678901234567890123"})",
         422,
         "33 characters"},
        {"a name that is not UTF-8",
         "PUT",
         "/api/devices/01/names/inputs/1",
         {kJson},
         "{\"name\":\"\xC3\"}",
         400,
         "not JSON"},
        {"a mode out of range",
         "PUT",
         "/api/devices/01/multiview",
         {kJson},
         R"({"mvMode":2})",
         422,
         "mvMode 2"},
        {"a bad activity query", "GET", "/api/devices/01/activity?limit=ten", {}, "", 400, "limit"},
        {"a broken user header",
         "PUT",
         "/api/devices/01/names/outputs/2",
         {kJson, "X-Korvex-User: Zo%C"},
         R"({"name":"Screen"})",
         400,
         "X-Korvex-User"},
        {"a name from a tool without Origin",
         "PUT",
         "/api/devices/01/names/outputs/2",
         {kJson, "X-Korvex-User: Zo%C3%AB"},
         R"({"name":"Screen"})",
         200,
         "\"Screen\""},
        {"a name from the panel's own page",
         "PUT",
         "/api/devices/01/names/outputs/3",
         {kJson, self},
         R"({"name":"Confidence"})",
         200,
         "\"Confidence\""},
        {"a change from another site",
         "PUT",
         "/api/devices/01/names/outputs/3",
         {kJson, "Origin: http://evil.example"},
         R"({"name":"Pwned"})",
         403,
         "own pages"},
        {"a change from a sandboxed page",
         "PUT",
         "/api/devices/01/names/outputs/3",
         {kJson, "Origin: null"},
         R"({"name":"Pwned"})",
         403,
         "own pages"},
        {"another name for this machine",
         "GET",
         "/api/devices",
         {"Host: evil.example:8080"},
         "",
         403,
         "evil.example"},
        {"a lock",
         "PUT",
         "/api/devices/01/locks/3",
         {kJson, "X-Korvex-User: Ann"},
         R"({"locked":true})",
         200,
         R"("label":"Ann")"},
        {"a locked output",
         "POST",
         "/api/devices/01/routes",
         {kJson},
         R"([{"output":3,"input":1}])",
         409,
         "Confidence (Out3) is locked by Ann"},
        {"the line is not on",
         "POST",
         "/api/devices/01/routes",
         {kJson},
         R"([{"output":2,"input":1}])",
         503,
         "is lost"},
        {"the activity",
         "GET",
         "/api/devices/01/activity?limit=1",
         {},
         "",
         200,
         R"("kind":"lock","output":3)"},
        {"the events elsewhere",
         "GET",
         "/api/events",
         {kUpgrade, "Origin: http://evil.example"},
         "",
         403,
         "own pages"},
        {"the events", "GET", "/api/events", {kUpgrade, self}, "", 101, "@upgrade: websocket"},
        {"not HTTP", "HELLO", "there", {}, "", 400, ""},
    };
    runRows(korvexd, rows);
}

TEST(WebApi, PasswordSessionsAndTheLoginWall) {
    ASSERT_GE(sodium_init(), 0);
    char hash[crypto_pwhash_STRBYTES];
    ASSERT_EQ(crypto_pwhash_str(hash, "s3cret", 6, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN),
              0);
    Korvexd korvexd(hash);
    const std::string login = "/login";
    const auto wrong = [&](const char *what, int status) {
        return Row{what, "POST", login, {kJson}, R"({"password":"guess"})", status, ""};
    };
    std::string cookie;
    const std::vector<Row> rows = {
        {"the panel sends to the login page", "GET", "/", {}, "", 303, "@location: /login"},
        {"the API wants a session", "GET", "/api/devices", {}, "", 401, "log in"},
        {"the events want a session", "GET", "/api/events", {kUpgrade}, "", 401, "log in"},
        {"the login page is open", "GET", "/login.js", {}, "", 200, "password"},
        {"a login without a password", "POST", login, {kJson}, "{}", 400, "password"},
        {"the right password",
         "POST",
         login,
         {kJson},
         R"({"password":"s3cret"})",
         204,
         "@set-cookie: HttpOnly; SameSite=Strict; Max-Age=43200"},
        {"the session opens the API", "GET", "/api/devices", {}, "", 200, "\"devices\""},
        {"and the events", "GET", "/api/events", {kUpgrade}, "", 101, ""},
        wrong("wrong 1", 401),
        wrong("wrong 2", 401),
        wrong("wrong 3", 401),
        wrong("wrong 4", 401),
        wrong("wrong 5", 401),
        wrong("a sixth try waits", 429),
        {"even the right password waits",
         "POST",
         login,
         {kJson},
         R"({"password":"s3cret"})",
         429,
         "@retry-after: "},
        {"the session still works", "GET", "/api/devices/01/names", {}, "", 200, "\"inputs\""},
        {"logging out", "POST", "/logout", {kJson}, "{}", 204, "@set-cookie: Max-Age=0"},
    };
    runRows(korvexd, rows, &cookie);
    EXPECT_EQ(
        httpRoundTrip(korvexd.port, request({"", "GET", "/api/devices", {}, "", 0, ""}, korvexd.port, cookie))
            .status,
        401);
}

} // namespace
