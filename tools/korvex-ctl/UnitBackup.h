#pragma once

#include "AnswerWait.h"
#include "session/DeviceMembers.h"
#include "session/DeviceState.h"

#include <optional>
#include <string>
#include <vector>

// A unit's settings as a backup file: a JSON object with "format" and "version", then every setting
// the device reports, with the keys and values of status --json (the LAN settings only when asked
// for). Reading a file checks every member before anything would be sent, so a file from another
// version, with a bad or missing value, or not JSON at all, is refused with the member named.
class UnitBackup {
public:
    static constexpr const char *kFormat = "korvex-unit-backup";
    static constexpr int kVersion = 1;

    // One command line of a restore, with the answers it is waited for.
    struct Step {
        std::string text;
        std::vector<AnswerWait::Expected> expected;
    };
    // The lines that set one member, which the device's answers must then show.
    struct MemberSteps {
        session::DeviceMember member;
        std::vector<Step> steps;
    };

    // The members a backup holds.
    static session::DeviceMembers members(bool withLan);

    // The backup of a device's state as the file's text. std::nullopt, with what the device did not
    // report in `missing` ("routing"), when the state lacks any of it.
    static std::optional<std::string> write(const session::DeviceState &state, bool withLan,
                                            std::string &missing);

    // Reads a backup file's text. std::nullopt, with what is wrong in `error` ("\"routing\"[3] must be
    // 0..9, not 12"), for anything but a whole, valid backup of this version.
    static std::optional<UnitBackup> read(const std::string &text, std::string &error);

    const session::DeviceState &state() const { return m_state; }
    bool hasLan() const { return m_hasLan; }

    // The command lines that bring a unit to this state, member by member, in the order of the
    // console's pages; the LAN settings (when held and asked for) last, as they may move the unit.
    std::vector<MemberSteps> steps(bool withLan) const;

    // Whether the device's state shows `member` as this backup holds it (for the LAN settings: what
    // a restore sends of them).
    bool matches(const session::DeviceState &device, session::DeviceMember member) const;

private:
    session::DeviceState m_state;
    bool m_hasLan = false;
};
