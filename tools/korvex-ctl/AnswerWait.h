#pragma once

#include "session/ReplySink.h"

#include <cstddef>
#include <vector>

// The reply records that answer a command: the wait is over once each has come (a record of the
// kind, about the given output or input; 0 = any). Records already crossed off count once.
class AnswerWait : public session::IReplySink {
public:
    struct Expected {
        std::size_t kind = 0; // index of the record in protocol::Reply
        int selector = 0;     // the output or input the record is about; 0 = any
    };

    explicit AnswerWait(std::vector<Expected> expected) : m_open(std::move(expected)) {}

    void onReply(const protocol::Reply &reply) override;
    bool complete() const { return m_open.empty(); }

    // One record of this kind, about `selector` (0: whatever it is about).
    template <class Record> static Expected one(int selector = 0) {
        return {protocol::Reply(Record{}).index(), selector};
    }
    // What a command on `output` is answered with: a record about that output, or for output 0
    // (all outputs) one about each output 1..9.
    template <class Record> static std::vector<Expected> outputs(int output) {
        if (output != 0)
            return {one<Record>(output)};
        std::vector<Expected> all;
        for (int o = 1; o <= 9; ++o)
            all.push_back(one<Record>(o));
        return all;
    }

private:
    std::vector<Expected> m_open;
};
