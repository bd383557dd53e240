// "edid": the EDID an input presents, reading a port's EDID into a .bin file with its summary, and
// loading a .bin file into a user slot, as the EDID MANAGEMENT page does.

#include "CommandArgs.h"
#include "CtlFiles.h"
#include "EdidDumpTaker.h"
#include "Requests.h"
#include "StateReport.h"
#include "edid/EdidCapture.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidFile.h"
#include "edid/EdidSummary.h"
#include "files/FileReplace.h"
#include "protocol/Commands.h"

#include <cstdio>
#include <filesystem>

namespace {

// The EDID choice of an input: its list index 0..13, or a name (2ch, 5.1, user1..user3,
// out1..out9).
int edidChoice(CommandArgs &args) {
    static const std::vector<std::string> names = {"2ch",  "5.1",  "user1", "user2", "user3", "out1", "out2",
                                                   "out3", "out4", "out5",  "out6",  "out7",  "out8", "out9"};
    const std::string text = args.word("CHOICE");
    for (std::size_t i = 0; i < names.size(); ++i)
        if (text == names[i])
            return static_cast<int>(i);
    if (const std::optional<int> index = parseNumber(text, 0, protocol::kEdidChoiceCount - 1))
        return *index;
    throw UsageError(args.command() + ": CHOICE must be 0..13, 2ch, 5.1, user1..user3 or out1..out9, not \"" +
                     text + "\"");
}

bool entryExists(const std::string &name) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(name, ec));
}

// The summary with the line ends of this system's text files (standard output adds CR on Windows).
void printSummary(const edid::EdidImage &image) {
    edid::EdidDecoder decoder;
    decoder.decodeAll(image);
    std::string summary =
        edid::summarizeEdid(decoder.videoText(), decoder.audioText(), decoder.generalText());
    std::string text;
    for (std::size_t i = 0; i < summary.size(); ++i)
        if (!(summary[i] == '\r' && i + 1 < summary.size() && summary[i + 1] == '\n'))
            text += summary[i];
    std::fputs(text.c_str(), stdout);
}

struct ReadRequest {
    edid::EdidPortKind kind = edid::EdidPortKind::Output;
    int port = 1;
    std::string file; // empty: the next capture name, as the console numbers them; "-" standard output
};

int readEdid(Connection &c, const ReadRequest &request) {
    std::optional<std::string> command;
    if (request.kind == edid::EdidPortKind::Output) {
        command = protocol::buildGetOutputEdid(request.port);
    } else {
        // An input's dump is asked for by the EDID it presents.
        DeviceState state;
        if (const int status = readState(c, state))
            return status;
        const std::optional<int> choice = state.edidChoice[static_cast<std::size_t>(request.port - 1)];
        if (!choice) {
            ReportError(c.label() + ": the device did not report the EDID of input " +
                        std::to_string(request.port));
            return kExitNoAnswer;
        }
        command = protocol::buildGetInputEdid(request.port, *choice);
        if (!command) {
            const int output = *choice - 4;
            ReportError("input " + std::to_string(request.port) + " presents \"" +
                        StateReport::edidChoiceName(*choice) + "\", which has no dump of its own: read out " +
                        std::to_string(output));
            return kExitUsage;
        }
    }

    EdidDumpTaker taker;
    taker.arm();
    SinkRegistration registration(c.session(), &taker);
    if (c.session().SendText(*command) != session::SendStatus::Sent) {
        ReportError(c.label() + ": the command could not be sent");
        return kExitLine;
    }
    if (!c.waitUntil([&] { return taker.taken(); }, c.deadline()))
        return c.reportNoAnswer(c.options().timeoutMs, "no EDID");

    const edid::EdidImage image = edid::parseEdidDump(taker.line());
    if (request.file == "-") {
        // The image alone, for a pipe.
        std::fwrite(image.data(), 1, image.size(), stdout);
        return kExitOk;
    }
    const std::string name =
        !request.file.empty()
            ? request.file
            : edid::nextEdidCaptureFileName(edid::edidCaptureStem(request.kind, request.port), entryExists);
    if (!files::replaceFileContent(name, std::string(image.begin(), image.end()))) {
        ReportError(fileLabel(name) + ": Faild to create file");
        return kExitUsage;
    }
    std::printf("Save to file: %s\n", name.c_str());
    printSummary(image);
    return kExitOk;
}

int loadEdid(Connection &c, int input, int slot, const std::string &file) {
    edid::EdidImage image;
    std::string error;
    if (!edid::readEdidFile(file, image, error)) {
        ReportError(fileLabel(file) + ": " + error);
        return kExitUsage;
    }
    // One line without a leading CR LF: it goes out whole, without an address prefix.
    const std::optional<std::string> text = protocol::buildLoadUserEdid(input, slot, image);
    return request(c, text.value_or(std::string()), {AnswerWait::one<protocol::EdidChoiceReply>(input)});
}

} // namespace

ParsedCommand parseEdidCommand(CommandArgs &args, const CommandLine &options) {
    (void)options;
    switch (args.choice("what", {"apply", "read", "load"})) {
    case 0: {
        const int input = args.number("IN", 1, 9);
        const int choice = edidChoice(args);
        args.finish();
        const std::string text = protocol::buildSetInputEdid(input, choice).value_or(std::string());
        return {[text, input](Connection &c) {
            return request(c, text, {AnswerWait::one<protocol::EdidChoiceReply>(input)});
        }};
    }
    case 1: {
        ReadRequest request;
        request.kind = args.choice("the port kind", {"out", "in"}) == 0 ? edid::EdidPortKind::Output
                                                                        : edid::EdidPortKind::Input;
        request.port = args.number("N", 1, 9);
        while (!args.empty()) {
            const std::string option = args.word("option");
            if (option != "-o" && option != "--output")
                args.unexpected(option);
            request.file = args.optionValue(option);
            if (request.file.empty())
                throw UsageError(args.command() + ": " + option + " needs a file name");
        }
        return {[request](Connection &c) { return readEdid(c, request); }};
    }
    default: {
        const int input = args.number("IN", 1, 9);
        const int slot = args.number("SLOT", 1, 3);
        const std::string file = args.word("FILE");
        args.finish();
        // The EDID page takes .bin files only, the extension written in lower case.
        if (std::filesystem::path(file).extension().string() != ".bin")
            throw UsageError(file + ": It is not bin file");
        return {[input, slot, file](Connection &c) { return loadEdid(c, input, slot, file); }};
    }
    }
}
