#pragma once

#include "pages/base/CConsolePage.h"

#include <array>

class QAbstractButton;
class QLineEdit;

// The VIDEO page: routes an input or the multiview picture to each output (or to all outputs at
// once) and sets the border line the switcher draws. Clicks go out at once; the members hold what
// the operator last took with "Update" or what the device last reported: the "VS IN", "BLC " and
// "BLW " replies write them through the setters and refresh the page.
class CVideoPage : public CConsolePage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 176;
    static constexpr int kOutputCount = 9;
    static constexpr int kRowCount = 10; // "Out1".."Out9", then "All Output Port"
    static constexpr int kAllOutputsRow = 9;
    static constexpr int kColumnCount = 10; // "in1".."in9", then "MV"
    static constexpr int kMvColumn = 9;

    enum ControlId {
        IDC_RED = 1110,
        IDC_GREEN = 1111,
        IDC_BLUE = 1112,
        IDC_WIDTH = 1113,
        IDC_UPDATE = 1159,
    };

    // Identifier of the radio in a row (0..8 "Out1".."Out9", 9 "All Output Port") and a column
    // (0..8 "in1".."in9", 9 "MV"); 0 outside the grid.
    static int radioId(int row, int column);

    explicit CVideoPage(session::IDeviceConsole *console, QWidget *parent = nullptr);

    // Exchanges the members with the controls: take = true reads and validates the controls (the
    // first bad edit shows its message and keeps the focus; returns false), take = false refreshes
    // the controls from the members.
    bool updateData(bool take) override;

    // What the device reported, stored for the next updateData(false). Selections use the page's
    // coding: -1 none, 0..8 input 1..9, 9 multiview. An output outside 1..9 or a selection outside
    // -1..9 changes nothing.
    void setOutputSelection(int output, int selection);
    int outputSelection(int output) const; // -1 for an output outside 1..9
    void setBorderColour(int red, int green, int blue);
    void setBorderWidth(int width);

    int borderRed() const { return m_red; }
    int borderGreen() const { return m_green; }
    int borderBlue() const { return m_blue; }
    int borderWidth() const { return m_borderWidth; }
    int allOutputsSelection() const { return m_allOutputsSelection; }

protected:
    void buildControls() override;
    void applyReply(const protocol::Reply &reply) override;

private:
    QWidget *buildRoutingRow(int row);
    QWidget *buildBorderLineGroup();
    void onRadioClicked(int row, int column);
    void onUpdate();

    // The controls, kept as they are built: replies and clicks never search for them.
    std::array<std::array<QAbstractButton *, kColumnCount>, kRowCount> m_radios{};
    QLineEdit *m_widthEdit = nullptr;
    QLineEdit *m_redEdit = nullptr;
    QLineEdit *m_greenEdit = nullptr;
    QLineEdit *m_blueEdit = nullptr;

    std::array<int, kOutputCount> m_outputSelection{-1, -1, -1, -1, -1, -1, -1, -1, -1};
    int m_blue = 0;
    int m_green = 0;
    int m_red = 0;
    int m_borderWidth = 0;
    int m_allOutputsSelection = -1;
};
