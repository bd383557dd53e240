#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

// "Preset Setting": a preset number and an alias, and three buttons for the presets and preset
// files. The dialog checks its own edits and asks the page to act through its signals; the page
// reports the outcome back with showOutcome. It has no OK or Cancel: it is closed from its title
// bar (or Escape), and keeps its values from one opening to the next.
class CPresetDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kNumberEdit = "Preset Num:";
    static constexpr const char *kAliasEdit = "Aliabs:";
    static constexpr const char *kSaveButton = "Save";
    static constexpr const char *kSaveAllButton = "Save all preset to file as";
    static constexpr const char *kLoadButton = "Load presets from file";
    static constexpr const char *kOutcomeLabel = "Outcome";
    static constexpr int kAliasLimit = 10; // the description a preset file holds

    explicit CPresetDlg(QWidget *parent = nullptr);

    int presetNumber() const { return m_presetNumber; }
    const QString &alias() const { return m_alias; }

    // One line under the buttons saying what the last button did.
    void showOutcome(const QString &text);

    int exec() override;

    // take = true reads and checks the edits (false after the first bad one's message),
    // take = false writes the values into them.
    bool updateData(bool take);

signals:
    // "Save": store the page's grid and panels as preset number (1..32) described by alias
    // (at most 10 Latin-1 characters).
    void savePreset(int number, const QString &alias);
    void saveAllPresets();
    void loadPresets();

private:
    void onSave();

    int m_presetNumber = 0;
    QString m_alias;
    QLabel *m_outcome = nullptr;
    QLineEdit *m_numberEdit = nullptr;
    QLineEdit *m_aliasEdit = nullptr;
};
