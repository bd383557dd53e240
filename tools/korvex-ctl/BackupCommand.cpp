// "backup" and "restore": a unit's settings into a JSON file, and back onto a unit (the same one, or
// a replacement) with the command lines the console's pages send, each answer checked.

#include "CommandArgs.h"
#include "CtlFiles.h"
#include "Requests.h"
#include "UnitBackup.h"
#include "session/DeviceModel.h"
#include "session/DeviceStateJson.h"

#include <cstdio>

namespace {

// Far beyond any backup; a larger file is not read into memory.
constexpr std::size_t kMaxBackupBytes = 1 << 20;

struct BackupRequest {
    std::string file;
    bool lan = false;
};

int backup(Connection &c, const BackupRequest &request) {
    DeviceState state;
    if (const int status = readState(c, state))
        return status;
    std::string missing;
    const std::optional<std::string> text = UnitBackup::write(state, request.lan, missing);
    if (!text) {
        ReportError(c.label() + ": the device did not report all of its \"" + missing +
                    "\"; nothing was written");
        return kExitNoAnswer;
    }
    std::string error;
    if (!writeOutputFile(request.file, *text, error)) {
        ReportError(error);
        return kExitUsage;
    }
    if (request.file != "-")
        std::printf("Saved to %s\n", fileLabel(request.file, true).c_str());
    return kExitOk;
}

// A command line as it reads in a message: without its line ends.
std::string lineText(const std::string &text) {
    const std::size_t first = text.find_first_not_of("\r\n");
    const std::size_t last = text.find_last_not_of("\r\n");
    return first == std::string::npos ? std::string() : answerText(text.substr(first, last - first + 1));
}

// Sends one line and waits for its answers (or, once something came, for a quiet line).
int sendStep(Connection &c, const UnitBackup::Step &step) {
    AnswerWait wait(step.expected);
    SinkRegistration registration(c.session(), &wait);
    const std::size_t mark = c.receivedCount();
    if (c.session().SendText(step.text) != session::SendStatus::Sent) {
        ReportError(c.label() + ": \"" + lineText(step.text) + "\" could not be sent");
        return kExitLine;
    }
    c.waitUntil([&] { return wait.complete() || quietAfter(c, mark); }, c.deadline());
    if (c.dropped() || c.receivedCount() == mark)
        return c.reportNoAnswer(c.options().timeoutMs, "no answer to \"" + lineText(step.text) + "\"");
    return kExitOk;
}

int restore(Connection &c, const UnitBackup &unit, const std::string &file, bool lan) {
    // First the device is asked for its state: it is there, and alone at address 00.
    DeviceState before;
    if (const int status = readState(c, before))
        return status;
    session::DeviceModel answers(c.session());
    std::size_t lines = 0;
    std::size_t settings = 0;
    int status = kExitOk;
    for (const UnitBackup::MemberSteps &member : unit.steps(lan)) {
        for (const UnitBackup::Step &step : member.steps) {
            if (const int sent = sendStep(c, step))
                return sent;
            ++lines;
        }
        // Every answer must show what was sent.
        const DeviceState *now = answers.state(c.session().replyDevice());
        if (!now || !unit.matches(*now, member.member)) {
            const session::DeviceMembers which{member.member};
            ReportError(c.label() + ": the device answered " +
                        session::jsonText(session::toJson(now ? *now : DeviceState{}, which)) + ", not " +
                        session::jsonText(session::toJson(unit.state(), which)));
            status = kExitMismatch;
        } else {
            ++settings;
        }
    }
    if (unit.hasLan() && !lan)
        ReportError(fileLabel(file) + ": its LAN settings were not sent (restore --lan sends them)");
    if (status == kExitOk)
        std::printf("Restored %zu settings from %s with %zu command lines, each answered as sent\n", settings,
                    fileLabel(file).c_str(), lines);
    return status;
}

} // namespace

ParsedCommand parseBackupCommand(CommandArgs &args, const CommandLine &options) {
    (void)options;
    BackupRequest request;
    request.file = args.word("FILE");
    while (!args.empty()) {
        const std::string option = args.word("option");
        if (option != "--lan")
            args.unexpected(option);
        request.lan = true;
    }
    if (args.command() == "backup")
        return {[request](Connection &c) { return backup(c, request); }};

    // The file is read and checked whole before any line is opened.
    std::string text;
    std::string error;
    if (!readInputFile(request.file, kMaxBackupBytes, text, error))
        throw FileError(error);
    const std::optional<UnitBackup> unit = UnitBackup::read(text, error);
    if (!unit)
        throw FileError(fileLabel(request.file) + ": " + error);
    if (request.lan && !unit->hasLan())
        throw FileError(fileLabel(request.file) + ": holds no LAN settings (backup --lan saves them)");
    return {[unit = *unit, request](Connection &c) { return restore(c, unit, request.file, request.lan); }};
}
