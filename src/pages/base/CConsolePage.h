#pragma once

#include "pages/base/DeviceView.h"

#include <QWidget>

// Base of the tab pages: a widget named by its template number that owns its controls and hears
// replies from the moment it is created until it is destroyed.
class CConsolePage : public QWidget, public DeviceView {
    Q_OBJECT
public:
    CConsolePage(int templateNumber, session::IDeviceConsole *console, QWidget *parent = nullptr);

    int templateNumber() const { return m_template; }

    // The page's own start-up step, run by the console window after every page exists and in page
    // order (the VIDEO WALL page loads its layout file here).
    virtual void OnInitPage() {}

    // Data exchange of the page's members with its controls: take = true reads and validates the
    // controls (false after the first bad one), take = false refreshes them.
    virtual bool UpdateData(bool take) {
        (void)take;
        return true;
    }

private:
    int m_template;
};
