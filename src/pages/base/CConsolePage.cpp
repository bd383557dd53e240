#include "pages/base/CConsolePage.h"

#include "ui/Controls.h"

CConsolePage::CConsolePage(int templateNumber, IDeviceConsole *console, QWidget *parent)
    : QWidget(parent), m_template(templateNumber), m_console(console) {
    ui::withId(this, templateNumber);
    ui::markScope(this);
    if (m_console)
        m_console->AddReplySink(this);
}

CConsolePage::~CConsolePage() {
    if (m_console)
        m_console->RemoveReplySink(this);
}
