#pragma once

#include <array>

#include "wall/PanelArrangement.h"

#include <QDialog>

// "Video Wall Panels arrangement": the physical size of the wall's panels, the gaps between them,
// the overscan and the portrait flag. The page hands it its rows and columns before each opening;
// the values stay from one opening to the next as the dialog last read them from its edits.
class QCheckBox;
class QLineEdit;
class CPanelArrangeDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kWidthEdit = "Panel Width:";
    static constexpr const char *kHeightEdit = "Panel Height:";
    static constexpr const char *kOverscanEdit = "Overscan:";
    static constexpr const char *kVGapEdit = "V Gap:";
    static constexpr const char *kHGapEdit = "H Gap:";
    static constexpr const char *kVerticalCheck = "Vertical";
    static constexpr const char *kSaveExitButton = "Save && Exit";
    static constexpr const char *kCancelButton = "Cancel";

    explicit CPanelArrangeDlg(QWidget *parent = nullptr);

    // The wall the arrangement is for; only the "Vertical" warning uses it.
    void setGrid(unsigned rows, unsigned columns);

    // The values as last read from the edits ("Save && Exit" or a click of "Vertical").
    wall::PanelArrangement arrangement() const;

    // Shows the values last read; the edits lose whatever was typed and not read.
    int exec() override;

    // take = true reads and checks the edits (the first bad one shows its message; false),
    // take = false writes the values into them.
    bool updateData(bool take);

private:
    void onVertical();
    void onSaveAndExit();

    // "Panel Width:", "Panel Height:", "Overscan:", "V Gap:", "H Gap:"
    std::array<QLineEdit *, 5> m_edits{};
    QCheckBox *m_verticalBox = nullptr;
    float m_panelWidth = 0;
    float m_panelHeight = 0;
    float m_overscan = 0;
    float m_vGap = 0;
    float m_hGap = 0;
    int m_vertical = 0;
    unsigned m_rows = 0;
    unsigned m_columns = 0;
};
