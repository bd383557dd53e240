#include "pages/base/CConsolePage.h"

#include "ui/Controls.h"

CConsolePage::CConsolePage(int templateNumber, session::IDeviceConsole *console, QWidget *parent)
    : QWidget(parent), DeviceView(this, console), m_template(templateNumber) {
    ui::withId(this, templateNumber);
}
