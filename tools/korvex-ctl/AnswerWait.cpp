#include "AnswerWait.h"

#include <algorithm>

namespace {

// The output (or, for records without one, the input) a record is about; 0 when it names none.
int selectorOf(const protocol::Reply &reply) {
    return std::visit(
        [](const auto &record) -> int {
            if constexpr (requires { record.output.value_or(0); })
                return record.output.value_or(-1);
            else if constexpr (requires { record.input.value_or(0); })
                return record.input.value_or(-1);
            else
                return 0;
        },
        reply);
}

} // namespace

void AnswerWait::onReply(const protocol::Reply &reply) {
    const std::size_t kind = reply.index();
    const int selector = selectorOf(reply);
    const auto match = std::find_if(m_open.begin(), m_open.end(), [&](const Expected &e) {
        return e.kind == kind && (e.selector == 0 || e.selector == selector);
    });
    if (match != m_open.end())
        m_open.erase(match);
}
