#include "wall/CVideoWallPage.h"

#include "ui/Controls.h"
#include "ui/MessageBox.h"
#include "wall/LayoutFile.h"

CVideoWallPage::CVideoWallPage(IDeviceConsole *console, QWidget *parent)
    : QWidget(parent), m_console(console) {
    setObjectName(ui::idName(kTemplate));
    LoadLayoutFile();
}

void CVideoWallPage::LoadLayoutFile() {
    for (const std::string &message : wall::LoadLayoutFile(m_presets))
        ui::messageBox(this, QString::fromStdString(message));
}
