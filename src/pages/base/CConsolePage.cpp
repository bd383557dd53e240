#include "pages/base/CConsolePage.h"

#include "ui/Controls.h"

namespace {

thread_local int g_deferBuilding = 0;

} // namespace

CConsolePage::CConsolePage(int templateNumber, session::IDeviceConsole *console, QWidget *parent)
    : QWidget(parent), DeviceView(this, console), m_template(templateNumber) {
    ui::withId(this, templateNumber);
}

CConsolePage::DeferBuilding::DeferBuilding() {
    ++g_deferBuilding;
}

CConsolePage::DeferBuilding::~DeferBuilding() {
    --g_deferBuilding;
}

void CConsolePage::constructed() {
    if (g_deferBuilding == 0)
        ensureBuilt();
}

void CConsolePage::ensureBuilt() {
    if (m_built)
        return;
    m_built = true;
    buildControls();
    updateData(false);
}

void CConsolePage::onReply(const protocol::Reply &reply) {
    ensureBuilt();
    applyReply(reply);
}
