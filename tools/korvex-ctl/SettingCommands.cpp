// The commands that set one part of a device as the console's pages and panels do (each sends one
// text, or the LAN reset frame, and prints the answer), and status, address, lan and send.

#include "CommandArgs.h"
#include "Requests.h"
#include "StateReport.h"
#include "protocol/Commands.h"
#include "session/DeviceRules.h"

#include <algorithm>
#include <cstdio>

namespace {

using Expected = std::vector<AnswerWait::Expected>;

std::string built(const std::optional<std::string> &text) {
    // The arguments were checked against the builders' ranges, so a text is always formed.
    return text.value_or(std::string());
}

ParsedCommand request(std::string text, Expected expected) {
    return {[text = std::move(text), expected = std::move(expected)](Connection &c) {
        return request(c, text, expected);
    }};
}

int outputOrAll(CommandArgs &args) {
    return args.numberOr("OUT", 1, 9, "all", 0);
}

ParsedCommand route(CommandArgs &args) {
    const int output = outputOrAll(args);
    const int input = args.numberOr("IN", 1, 9, "mv", 10);
    args.finish();
    return request(built(protocol::buildSetRouting(output, input)),
                   AnswerWait::outputs<protocol::RoutingReply>(output));
}

ParsedCommand multiview(CommandArgs &args) {
    switch (args.choice("what", {"mode", "source", "audio"})) {
    case 0: {
        const int mode = args.choice("the mode", {"3x3", "2x2"}) == 0 ? 0 : 1;
        args.finish();
        return request(built(protocol::buildSetMvwMode(mode)), {AnswerWait::one<protocol::MvModeReply>()});
    }
    case 1: {
        const int window = args.number("WINDOW", 1, 4);
        const int input = args.number("INPUT", 1, 9);
        args.finish();
        // The other windows' inputs go out too: the device is asked for them first.
        return {[window, input](Connection &c) {
            DeviceState state;
            if (const int status = readState(c, state))
                return status;
            if (std::find(state.qvSources.begin(), state.qvSources.end(), std::nullopt) !=
                state.qvSources.end()) {
                ReportError(c.label() + ": the device did not report its quick-view sources");
                return kExitNoAnswer;
            }
            // As the multiview panel chooses: a window that showed that input takes the chosen one's.
            std::array<int, 4> sources{};
            for (std::size_t w = 0; w < sources.size(); ++w)
                sources[w] = *state.qvSources[w];
            sources = session::chooseQvSource(sources, window - 1, input - 1);
            for (int &source : sources)
                ++source; // the digit that goes out
            const std::string text = built(protocol::buildSetQvwSources(sources));
            return request(c, text, {AnswerWait::one<protocol::QvSourcesReply>()});
        }};
    }
    default: {
        const int output = outputOrAll(args);
        const int source = args.numberOr("IN", 1, 9, "mute", 10);
        args.finish();
        return request(built(protocol::buildSetMvAudio(output, source)),
                       AnswerWait::outputs<protocol::MvAudioReply>(output));
    }
    }
}

ParsedCommand border(CommandArgs &args) {
    const int width = args.number("WIDTH", 0, 15);
    const int red = args.number("R", 0, 255);
    const int green = args.number("G", 0, 255);
    const int blue = args.number("B", 0, 255);
    args.finish();
    const auto byte = [](int v) { return static_cast<std::uint8_t>(v); };
    return request(
        protocol::buildSetBorderLine(byte(width), byte(red), byte(green), byte(blue)),
        {AnswerWait::one<protocol::BorderWidthReply>(), AnswerWait::one<protocol::BorderColourReply>()});
}

ParsedCommand audio(CommandArgs &args) {
    const std::size_t what = args.choice("what", {"mode", "route", "on", "mute"});
    if (what == 0) {
        const int mode = static_cast<int>(args.choice("the mode", {"input", "output", "independent"}));
        args.finish();
        return request(built(protocol::buildSetExaMode(mode)), {AnswerWait::one<protocol::AudioModeReply>()});
    }
    const int output = args.number("OUT", 1, 9);
    if (what == 1) {
        const int input = args.number("IN", 1, 9);
        args.finish();
        return request(built(protocol::buildSetIndependentAudio(output, input)),
                       {AnswerWait::one<protocol::AudioRouteReply>(output)});
    }
    args.finish();
    return request(built(protocol::buildSetAudioOn(output, what == 2)),
                   {AnswerWait::one<protocol::AudioOnReply>(output)});
}

ParsedCommand ir(CommandArgs &args) {
    switch (args.choice("what", {"route", "control", "emitters"})) {
    case 0: {
        const int output = outputOrAll(args);
        const int source = args.number("EXT", 1, 4);
        args.finish();
        return request(built(protocol::buildSetIrRoute(output, source)),
                       AnswerWait::outputs<protocol::IrRouteReply>(output));
    }
    case 1: {
        const std::array<bool, 9> hdbt = args.set<9>("HDBT");
        const std::array<bool, 4> external = args.set<4>("EXT");
        args.finish();
        std::array<bool, 13> flags{};
        std::copy(hdbt.begin(), hdbt.end(), flags.begin());
        std::copy(external.begin(), external.end(), flags.begin() + 9);
        return request(protocol::buildSetIrSwitch(flags), {AnswerWait::one<protocol::IrSwitchReply>()});
    }
    default: {
        const std::array<bool, 9> outputs = args.set<9>("OUTS");
        args.finish();
        return request(protocol::buildSetIrEmitters(outputs), {AnswerWait::one<protocol::IrEmitterReply>()});
    }
    }
}

ParsedCommand rs232(CommandArgs &args) {
    const std::array<bool, 9> outputs = args.set<9>("OUTS");
    args.finish();
    return request(protocol::buildSetRsMux(outputs), {AnswerWait::one<protocol::RsMuxReply>()});
}

ParsedCommand address(CommandArgs &args, const CommandLine &options) {
    if (args.choice("what", {"get", "set"}) == 0) {
        args.finish();
        // "A00": every device on the line answers with its address.
        return request(protocol::buildGetAddress(), {AnswerWait::one<protocol::AddressReply>()});
    }
    const int newAddress = args.number("NEW", 0, 99);
    bool all = false;
    while (!args.empty()) {
        const std::string word = args.word("option");
        if (word != "--all")
            args.unexpected(word);
        all = true;
    }
    // The address goes to the chosen device; every device only when asked for in so many words.
    if (all && options.address != 0)
        throw UsageError(args.command() + ": --all and --address exclude each other");
    if (!all && options.address == 0)
        throw UsageError(args.command() + ": needs --address NN (the device to change) or --all");
    return request(built(protocol::buildSetAddress(options.address, newAddress)),
                   {AnswerWait::one<protocol::AddressReply>()});
}

// What a LAN settings text is answered with.
Expected lanAnswer(const protocol::LanSettings &settings) {
    Expected expected = {AnswerWait::one<protocol::DhcpReply>(), AnswerWait::one<protocol::TcpPortReply>()};
    if (!settings.dhcp)
        expected.insert(expected.end(),
                        {AnswerWait::one<protocol::HostIpReply>(), AnswerWait::one<protocol::NetMaskReply>(),
                         AnswerWait::one<protocol::RouterIpReply>()});
    if (settings.mac)
        expected.push_back(AnswerWait::one<protocol::MacReply>());
    return expected;
}

// "lan set": the options given; what the page would send besides is taken from the device.
struct LanChange {
    std::optional<bool> dhcp;
    std::optional<std::array<std::uint8_t, 4>> host, mask, router;
    std::optional<std::string> tcpPort;
    std::optional<std::string> mac;
};

int sendLanChange(Connection &c, const LanChange &change) {
    protocol::LanSettings settings;
    DeviceState state;
    const bool known =
        change.dhcp && change.tcpPort && (*change.dhcp || (change.host && change.mask && change.router));
    if (!known) {
        if (const int status = readState(c, state))
            return status;
    }
    std::optional<bool> dhcp = change.dhcp;
    if (!dhcp && state.dhcp)
        dhcp = *state.dhcp != 0;
    const auto host = change.host ? change.host : state.host;
    const auto mask = change.mask ? change.mask : state.mask;
    const auto router = change.router ? change.router : state.router;
    const auto tcpPort = change.tcpPort ? change.tcpPort : state.tcpPort;
    if (!dhcp || !tcpPort || (!*dhcp && (!host || !mask || !router))) {
        ReportError(c.label() + ": the device did not report its LAN settings");
        return kExitNoAnswer;
    }
    settings.dhcp = *dhcp;
    if (!settings.dhcp) {
        settings.host = *host;
        settings.netMask = *mask;
        settings.router = *router;
    }
    settings.tcpPort = *tcpPort;
    settings.mac = change.mac;
    const std::optional<std::string> text = protocol::buildSetLan(settings);
    if (!text) {
        ReportError("lan set: the texts hold a control character");
        return kExitUsage;
    }
    return request(c, *text, lanAnswer(settings));
}

ParsedCommand lan(CommandArgs &args, const CommandLine &options) {
    switch (args.choice("what", {"get", "set", "reset"})) {
    case 0:
        args.finish();
        return {[json = options.json](Connection &c) {
            DeviceState state;
            if (const int status = readState(c, state))
                return status;
            std::fputs((json ? StateReport::lanJson(state) : StateReport::lanText(state)).c_str(), stdout);
            return kExitOk;
        }};
    case 1: {
        LanChange change;
        while (!args.empty()) {
            const std::string option = args.word("option");
            if (option == "--dhcp") {
                change.dhcp = args.choice("--dhcp", {"off", "on"}) == 1;
            } else if (option == "--ip") {
                change.host = args.ipAddress("--ip");
            } else if (option == "--mask") {
                change.mask = args.ipAddress("--mask");
            } else if (option == "--router") {
                change.router = args.ipAddress("--router");
            } else if (option == "--tcp-port") {
                // The device keeps the port as up to four characters.
                change.tcpPort = std::to_string(args.number("--tcp-port", 1, 9999));
            } else if (option == "--mac") {
                change.mac = args.optionValue(option);
            } else {
                throw UsageError(args.command() + ": unknown option \"" + option + "\"");
            }
        }
        if (!change.dhcp && !change.host && !change.mask && !change.router && !change.tcpPort && !change.mac)
            throw UsageError(args.command() + ": nothing to set");
        return {[change](Connection &c) { return sendLanChange(c, change); }};
    }
    default:
        args.finish();
        return {[](Connection &c) {
            return exchange(
                c, [&] { return c.session().SendFrame(protocol::kResetLanCode); },
                lanAnswer(protocol::LanSettings{}));
        }};
    }
}

// The bytes the device sends, exactly as they come (send --raw).
struct RawBytes : session::ISessionObserver {
    void onBytesReceived(const std::uint8_t *data, std::size_t size) override {
        bytes.append(reinterpret_cast<const char *>(data), size);
    }
    std::string bytes;
};

struct SendRequest {
    std::string line;
    std::optional<int> waitMs;
    bool raw = false;
};

int sendLine(Connection &c, const SendRequest &request) {
    RawBytes raw;
    c.session().addObserver(&raw);
    const std::size_t mark = c.receivedCount();
    const session::SendStatus sent = c.session().SendText(request.line);
    if (sent == session::SendStatus::Sent) {
        if (request.waitMs)
            c.waitUntil([] { return false; },
                        Connection::Clock::now() + std::chrono::milliseconds(*request.waitMs));
        else
            c.waitUntil(
                [&] {
                    // Raw bytes count without a line end; a line needs one.
                    return request.raw ? !raw.bytes.empty() && Connection::Clock::now() - c.lastReceived() >=
                                                                   std::chrono::milliseconds(kQuietMs)
                                       : quietAfter(c, mark);
                },
                c.deadline());
    }
    c.session().removeObserver(&raw);
    if (sent != session::SendStatus::Sent) {
        ReportError(c.label() + ": the command could not be sent");
        return kExitLine;
    }
    const std::vector<session::TrafficLog::Entry> lines = c.receivedSince(mark);
    if (request.raw)
        std::fwrite(raw.bytes.data(), 1, raw.bytes.size(), stdout);
    else
        for (const session::TrafficLog::Entry &entry : lines)
            std::printf("%s\n", session::TrafficLog::format(entry, false).c_str());
    if (c.dropped() || (request.raw ? raw.bytes.empty() : lines.empty()))
        return c.reportNoAnswer(request.waitMs.value_or(c.options().timeoutMs));
    return kExitOk;
}

ParsedCommand send(CommandArgs &args) {
    std::string text;
    SendRequest request;
    while (!args.empty()) {
        const std::string word = args.word("TEXT");
        if (word == "--wait")
            request.waitMs = args.number("--wait MS", 1, 3600000);
        else if (word == "--raw")
            request.raw = true;
        else
            text += (text.empty() ? "" : " ") + word;
    }
    const std::optional<std::string> line = protocol::buildTypedLine(text);
    if (!line)
        throw UsageError(args.command() + ": TEXT is missing or holds a control character");
    request.line = *line;
    return {[request](Connection &c) { return sendLine(c, request); }};
}

ParsedCommand status(CommandArgs &args, const CommandLine &options) {
    args.finish();
    return {[json = options.json](Connection &c) {
        DeviceState state;
        if (const int code = readState(c, state))
            return code;
        std::fputs((json ? StateReport::json(state) : StateReport::text(state)).c_str(), stdout);
        return kExitOk;
    }};
}

} // namespace

ParsedCommand parseSettingCommand(const std::string &command, CommandArgs &args, const CommandLine &options) {
    if (command == "status")
        return status(args, options);
    if (command == "route")
        return route(args);
    if (command == "mv")
        return multiview(args);
    if (command == "border")
        return border(args);
    if (command == "audio")
        return audio(args);
    if (command == "ir")
        return ir(args);
    if (command == "rs232")
        return rs232(args);
    if (command == "address")
        return address(args, options);
    if (command == "lan")
        return lan(args, options);
    return send(args);
}
