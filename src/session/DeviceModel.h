#pragma once

#include "session/DeviceMembers.h"
#include "session/DeviceState.h"
#include "session/ReplySink.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace session {

class DeviceSession;

// What the device model's users (korvexd's clients, its web panel, a test) hear: after a record has
// been applied, which device it changed and which members (the device's state() holds the new
// values). A record that changes nothing is not reported.
class IDeviceModelObserver {
public:
    virtual ~IDeviceModelObserver() = default;
    virtual void onDeviceChanged(std::uint8_t device, DeviceMembers changed) = 0;
    // The device's state was forgotten (clear()); nothing of it is known until it answers again.
    virtual void onDeviceCleared(std::uint8_t device) { (void)device; }
};

// The state of each device on a line as its reply lines report it, without a window: the console,
// korvex-ctl and korvexd hold their devices' state here. Each record goes through the rules of
// DeviceRules.h: an absent field changes nothing, a value outside its range makes the entry unknown.
//
// Attached to a session it is one of its reply sinks, and each record is credited to the device the
// last command was sent to (DeviceSession::replyDevice()). With address 00 on a line of several
// devices every device answers, and all their replies count as device 0's. Callers that know better
// apply records to a device themselves.
//
// Single-threaded, like the session.
class DeviceModel : public IReplySink {
public:
    // Keeps every device that answers.
    DeviceModel() = default;
    // Attached to `session` (see attach()).
    explicit DeviceModel(DeviceSession &session);
    ~DeviceModel() override;
    DeviceModel(const DeviceModel &) = delete;
    DeviceModel &operator=(const DeviceModel &) = delete;

    // Registers with the session as a reply sink (leaving any session it was attached to); detach()
    // leaves it. The session must outlive the attachment.
    void attach(DeviceSession &session);
    void detach();

    // Which devices are kept: every one that answers (the default), or only those listed (korvexd's
    // configured addresses; list 0 to keep what answers address 00). Records for other devices are
    // dropped, and what was known of a device no longer kept is forgotten without a report.
    void keepAll();
    void keepOnly(std::span<const std::uint8_t> devices);
    bool keeps(std::uint8_t device) const { return m_keepAll || m_kept.test(device); }

    // Applies one record to `device` and tells the observers what changed; returns that too. A device
    // is known from its first record with a keyword on, even one that sets nothing.
    DeviceMembers apply(std::uint8_t device, const protocol::Reply &reply);

    // A device's state; null until something of it is known.
    const DeviceState *state(std::uint8_t device) const { return m_states[device].get(); }
    // The devices known, in ascending order.
    std::vector<std::uint8_t> devices() const;

    // Forgets what is known of a device (the line dropped and a resync follows) or of every device;
    // observers hear of each device that was known. Nothing clears on its own.
    void clear(std::uint8_t device);
    void clearAll();

    // An observer registered twice is held once; one may leave (or remove another) while it is told.
    void addObserver(IDeviceModelObserver *observer);
    void removeObserver(IDeviceModelObserver *observer);

    // IReplySink: the record is applied to the session's reply device.
    void onReply(const protocol::Reply &reply) override;

private:
    template <class Call> void tellObservers(Call &&call);

    DeviceSession *m_session = nullptr;
    std::array<std::unique_ptr<DeviceState>, 256> m_states;
    std::bitset<256> m_kept;
    bool m_keepAll = true;
    std::vector<IDeviceModelObserver *> m_observers;
    int m_telling = 0;            // nesting depth of tellObservers
    bool m_observersLeft = false; // an observer left while they were told
};

} // namespace session
