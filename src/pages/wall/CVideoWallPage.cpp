#include "pages/wall/CVideoWallPage.h"

#include "ui/MessageBox.h"
#include "wall/LayoutFile.h"

CVideoWallPage::CVideoWallPage(IDeviceConsole *console, QWidget *parent)
    : CConsolePage(kTemplate, console, parent) {}

void CVideoWallPage::LoadLayoutFile() {
    for (const std::string &message : wall::LoadLayoutFile(m_presets))
        ui::messageBox(this, QString::fromStdString(message));
}
