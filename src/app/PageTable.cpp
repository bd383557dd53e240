#include "app/PageTable.h"

#include "pages/edid/CEdidPage.h"
#include "pages/ipconfig/CIpConfigPage.h"
#include "pages/setting/CSettingPage.h"
#include "pages/video/CVideoPage.h"
#include "pages/wall/CVideoWallPage.h"

namespace {

template <class Page> CConsolePage *make(session::IDeviceConsole *console, QWidget *parent) {
    return new Page(console, parent);
}

} // namespace

const std::array<PageEntry, 5> &pageTable() {
    static const std::array<PageEntry, 5> table{{
        {CVideoPage::kTemplate, "VIDEO", &make<CVideoPage>},
        {CVideoWallPage::kTemplate, "VIDEO WALL", &make<CVideoWallPage>},
        {CEdidPage::kTemplate, "EDID MANAGEMENT", &make<CEdidPage>},
        {CIpConfigPage::kTemplate, "IP CONFIG", &make<CIpConfigPage>},
        {CSettingPage::kTemplate, "SETTING", &make<CSettingPage>},
    }};
    return table;
}
