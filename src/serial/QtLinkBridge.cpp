#include "serial/QtLinkBridge.h"

#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>

// State shared by the bridge, the waiting workers and the posted chunks, so that a chunk still queued
// after the bridge is gone touches nothing freed.
struct QtLinkBridge::Shared {
    std::mutex mutex;
    std::condition_variable handled;
    // Bumped by PumpPending: every hand-off posted under an older value is abandoned.
    std::uint64_t generation = 0;
    unsigned inFlight = 0;
    Handler handler;
    QPointer<QObject> context; // read only on the receiver's thread
    bool contextGiven = false; // without one, chunks go to the thread that made the bridge
    QObject *target = nullptr; // owned by the bridge, lives on the receiver's thread
};

// One posted chunk. Its destruction, after the handler ran or when the event is discarded unrun
// (receiver gone), releases the worker waiting for it.
struct QtLinkBridge::Delivery {
    std::shared_ptr<Shared> shared;
    std::shared_ptr<bool> finished;
    std::uint64_t generation = 0;
    std::vector<uint8_t> bytes;
    unsigned port = 0;

    ~Delivery() {
        std::lock_guard<std::mutex> guard(shared->mutex);
        *finished = true;
        shared->handled.notify_all();
    }

    void run() {
        {
            std::lock_guard<std::mutex> guard(shared->mutex);
            if (generation != shared->generation)
                return; // its link was closed meanwhile
        }
        if (shared->contextGiven && !shared->context)
            return; // the receiver is gone
        shared->handler(bytes.data(), bytes.size(), port);
    }
};

QtLinkBridge::QtLinkBridge(QObject *receiverContext, Handler handler) : m_shared(std::make_shared<Shared>()) {
    m_shared->handler = std::move(handler);
    m_shared->context = receiverContext;
    m_shared->contextGiven = receiverContext != nullptr;
    m_shared->target = new QObject;
    if (receiverContext && receiverContext->thread() != m_shared->target->thread())
        m_shared->target->moveToThread(receiverContext->thread());
}

QtLinkBridge::~QtLinkBridge() {
    PumpPending();
    QObject *target = m_shared->target;
    if (target->thread() == QThread::currentThread())
        delete target; // discards its queued chunks, which releases any worker still waiting
    else
        target->deleteLater();
}

void QtLinkBridge::OnLinkBytes(const uint8_t *data, std::size_t size, unsigned port) {
    if (!data || size == 0 || !m_shared->handler)
        return;
    const std::shared_ptr<Shared> shared = m_shared;
    auto finished = std::make_shared<bool>(false);
    auto delivery = std::make_shared<Delivery>();
    delivery->shared = shared;
    delivery->finished = finished;
    delivery->bytes.assign(data, data + size);
    delivery->port = port;

    std::unique_lock<std::mutex> lock(shared->mutex);
    const std::uint64_t generation = shared->generation;
    delivery->generation = generation;
    ++shared->inFlight;
    lock.unlock();

    QMetaObject::invokeMethod(
        shared->target, [delivery]() { delivery->run(); }, Qt::QueuedConnection);
    delivery.reset(); // from here the posted event owns it

    lock.lock();
    shared->handled.wait(lock, [&] { return *finished || shared->generation != generation; });
    --shared->inFlight;
}

void QtLinkBridge::PumpPending() {
    std::lock_guard<std::mutex> guard(m_shared->mutex);
    ++m_shared->generation;
    m_shared->handled.notify_all();
}

bool QtLinkBridge::HandOffInFlight() const {
    std::lock_guard<std::mutex> guard(m_shared->mutex);
    return m_shared->inFlight > 0;
}
