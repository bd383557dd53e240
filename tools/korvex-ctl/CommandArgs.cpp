#include "CommandArgs.h"

#include <sstream>

std::string CommandArgs::word(const char *what) {
    if (empty())
        throw UsageError(m_command + ": " + what + " is missing");
    return m_words[m_next++];
}

int CommandArgs::number(const char *what, int low, int high) {
    const std::string text = word(what);
    const std::optional<int> value = parseNumber(text, low, high);
    if (!value)
        throw UsageError(m_command + ": " + what + " must be " + std::to_string(low) + ".." +
                         std::to_string(high) + ", not \"" + text + "\"");
    return *value;
}

int CommandArgs::numberOr(const char *what, int low, int high, const char *keyword, int keywordValue) {
    const std::string text = word(what);
    if (text == keyword)
        return keywordValue;
    const std::optional<int> value = parseNumber(text, low, high);
    if (!value)
        throw UsageError(m_command + ": " + what + " must be " + std::to_string(low) + ".." +
                         std::to_string(high) + " or " + keyword + ", not \"" + text + "\"");
    return *value;
}

std::size_t CommandArgs::choice(const char *what, const std::vector<std::string> &choices) {
    const std::string text = word(what);
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i] == text)
            return i;
    std::string list;
    for (std::size_t i = 0; i < choices.size(); ++i)
        list += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + choices[i];
    throw UsageError(m_command + ": " + what + " must be " + list + ", not \"" + text + "\"");
}

std::vector<bool> CommandArgs::setOf(const char *what, std::size_t count) {
    const std::string text = word(what);
    std::vector<bool> flags(count, false);
    if (text == "all")
        flags.assign(count, true);
    if (text == "all" || text == "none")
        return flags;
    std::stringstream items(text);
    std::string item;
    bool any = false;
    while (std::getline(items, item, ',')) {
        const std::optional<int> n = parseNumber(item, 1, static_cast<int>(count));
        if (!n) {
            any = false;
            break;
        }
        flags[static_cast<std::size_t>(*n - 1)] = true;
        any = true;
    }
    if (!any || text.back() == ',')
        throw UsageError(m_command + ": " + what + " must be none, all or numbers 1.." +
                         std::to_string(count) + " joined by commas, not \"" + text + "\"");
    return flags;
}

std::array<std::uint8_t, 4> CommandArgs::ipAddress(const char *what) {
    const std::string text = word(what);
    std::array<std::uint8_t, 4> out{};
    std::stringstream parts(text);
    std::string part;
    std::size_t i = 0;
    bool ok = true;
    while (ok && std::getline(parts, part, '.')) {
        const std::optional<int> n = parseNumber(part, 0, 255);
        ok = n && i < out.size();
        if (ok)
            out[i++] = static_cast<std::uint8_t>(*n);
    }
    if (!ok || i != out.size() || text.back() == '.')
        throw UsageError(m_command + ": " + what + " must be an address A.B.C.D, not \"" + text + "\"");
    return out;
}

std::string CommandArgs::optionValue(const std::string &option) {
    if (empty())
        throw UsageError(m_command + ": " + option + " needs a value");
    return m_words[m_next++];
}

void CommandArgs::finish() const {
    if (!empty())
        unexpected(m_words[m_next]);
}

void CommandArgs::unexpected(const std::string &word) const {
    if (word.size() > 1 && word[0] == '-')
        throw UsageError(m_command + ": unknown option \"" + word + "\"");
    throw UsageError(m_command + ": unexpected \"" + word + "\"");
}
