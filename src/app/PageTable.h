#pragma once

#include <array>

class CConsolePage;
namespace session {
class IDeviceConsole;
}
class QWidget;

// The console window's pages in tab order: template number, tab title and how to make the page. The
// window creates, hosts and shows pages from this table alone, with no branch per page.
struct PageEntry {
    int templateNumber;
    const char *title;
    CConsolePage *(*create)(session::IDeviceConsole *console, QWidget *parent);
};

const std::array<PageEntry, 5> &pageTable();
