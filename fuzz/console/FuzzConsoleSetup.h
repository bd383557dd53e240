#pragma once

#include "app/CConsoleDlg.h"
#include "pages/edid/CEdidPage.h"
#include "ui/Controls.h"

#include <QComboBox>
#include <QPushButton>
#include <cstdint>

// Puts the console window into the state an input's setup byte names before its bytes arrive.
// Bit 7: the EDID capture waits for a dump (a Read from the port the low five bits choose, 0..17);
// bits 5-6: the address list entry (0..3).
namespace fuzzsetup {

inline void choose(QComboBox *list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

inline void prepare(CConsoleDlg &console, std::uint8_t setup) {
    choose(ui::control<QComboBox>(&console, CConsoleDlg::IDC_ADDRESS_LIST), (setup >> 5) & 3);
    if (setup & 0x80) {
        CEdidPage *edid = console.findPage<CEdidPage>();
        choose(ui::control<QComboBox>(edid, CEdidPage::IDC_READ_PORT), (setup & 0x1F) % 18);
        ui::control<QPushButton>(edid, CEdidPage::IDC_READ)->click();
    }
}

// Ends the input: the line closes and opens again, which drops its unfinished line and tells every
// page (a capture still waiting gives up), so the next input starts from a clean line.
inline void finish(CConsoleDlg &console) {
    console.session().close();
    console.session().open();
}

} // namespace fuzzsetup
