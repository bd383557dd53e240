#include "Requests.h"

#include "protocol/Commands.h"
#include "session/DeviceModel.h"

#include <cstdio>

namespace {

int noAnswer(const Connection &connection) {
    return connection.reportNoAnswer(connection.options().timeoutMs);
}

// The "ADDR " answers to "A00 GET ADDR": one per device on the line.
struct AddressAnswers : session::IReplySink {
    void onReply(const protocol::Reply &reply) override {
        if (const auto *address = std::get_if<protocol::AddressReply>(&reply))
            addresses.push_back(address->address.value_or(-1));
    }
    std::vector<int> addresses;
};

std::string twoDigits(int address) {
    if (address < 0)
        return "??";
    char text[16];
    std::snprintf(text, sizeof text, "%02d", address);
    return text;
}

} // namespace

bool quietAfter(const Connection &connection, std::size_t mark) {
    return connection.receivedCount() > mark &&
           Connection::Clock::now() - connection.lastReceived() >= std::chrono::milliseconds(kQuietMs);
}

std::string answerText(const std::string &line) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return session::TrafficLog::asText(text);
}

int exchange(Connection &connection, const std::function<session::SendStatus()> &send,
             std::vector<AnswerWait::Expected> expected) {
    AnswerWait wait(std::move(expected));
    SinkRegistration registration(connection.session(), &wait);
    const std::size_t mark = connection.receivedCount();
    if (send() != session::SendStatus::Sent) {
        ReportError(connection.label() + ": the command could not be sent");
        return kExitLine;
    }
    connection.waitUntil([&] { return wait.complete() || quietAfter(connection, mark); },
                         connection.deadline());
    const std::vector<session::TrafficLog::Entry> lines = connection.receivedSince(mark);
    if (lines.empty() || connection.dropped())
        return noAnswer(connection);
    for (const session::TrafficLog::Entry &line : lines)
        std::printf("%s\n", answerText(line.bytes).c_str());
    return kExitOk;
}

int request(Connection &connection, const std::string &text, std::vector<AnswerWait::Expected> expected) {
    return exchange(
        connection, [&] { return connection.session().SendText(text); }, std::move(expected));
}

int readState(Connection &connection, DeviceState &state) {
    session::DeviceSession &session = connection.session();
    // The replies are credited to the device the requests went to: the one chosen, or 0 for all.
    session::DeviceModel model(session);
    AddressAnswers answers;
    SinkRegistration registration(session, &answers);
    const std::size_t mark = connection.receivedCount();
    const bool everyDevice = connection.options().address == 0;
    if (session.SendText(protocol::buildGetStatus()) != session::SendStatus::Sent ||
        (everyDevice && session.SendText(protocol::buildGetAddress()) != session::SendStatus::Sent)) {
        ReportError(connection.label() + ": the command could not be sent");
        return kExitLine;
    }
    connection.waitUntil([&] { return quietAfter(connection, mark); }, connection.deadline());
    if (connection.receivedCount() == mark || connection.dropped())
        return noAnswer(connection);
    // The model credits every answer to device 0: with several devices they would be mixed.
    if (answers.addresses.size() > 1) {
        std::string list;
        for (int address : answers.addresses)
            list += (list.empty() ? "" : ", ") + twoDigits(address);
        ReportError(connection.label() + ": several devices answered address 00 (" + list +
                    "): choose one with --address NN");
        return kExitUsage;
    }
    const session::DeviceState *known = model.state(session.replyDevice());
    state = known ? *known : DeviceState{};
    // Only the device at that address answers a request prefixed with it.
    if (!everyDevice && known)
        state.address = connection.options().address;
    return kExitOk;
}
