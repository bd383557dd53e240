#include "ui/QtHandOff.h"

#include <QMetaObject>
#include <QObject>

namespace ui {

QtHandOff::QtHandOff() : m_target(new QObject) {}

QtHandOff::~QtHandOff() {
    delete m_target;
}

void QtHandOff::post(std::function<void()> call) {
    QMetaObject::invokeMethod(m_target, std::move(call), Qt::QueuedConnection);
}

} // namespace ui
