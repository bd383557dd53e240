#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <span>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QWidget;

namespace ui {

class IpAddressEdit;

// The text a line edit, label or combo box shows; a null string for any other control.
QString editText(QWidget *control);

// Data exchange between a dialog's members and its controls, both ways, in the order the calls are
// made. Refresh writes members into controls; Take reads controls into members with validation. The
// first value that fails validation shows the standard message, puts the focus back on its control
// and turns every later call of this exchange into a no-op, so a handler checks ok() once at the end.
class Exchange {
public:
    enum Direction { Refresh, Take };

    Exchange(QWidget *dialog, Direction direction);

    bool ok() const { return m_ok; }
    bool taking() const { return m_direction == Take; }

    // Line edits holding numbers or text (a label or a combo box's text serve as text too). The
    // controls are the page's own typed pointers: no lookup by name runs on this path.
    Exchange &intEdit(QLineEdit *edit, int &value);
    Exchange &intEdit(QLineEdit *edit, int &value, int min, int max);
    Exchange &unsignedEdit(QLineEdit *edit, unsigned &value);
    Exchange &unsignedEdit(QLineEdit *edit, unsigned &value, unsigned min, unsigned max);
    Exchange &floatEdit(QLineEdit *edit, float &value);
    Exchange &doubleEdit(QLineEdit *edit, double &value);
    Exchange &text(QWidget *control, QString &value);
    Exchange &maxChars(QWidget *control, const QString &value, int limit);

    // A radio group in order: index of the checked one, -1 for none.
    Exchange &radioGroup(std::span<QAbstractButton *const> radios, int &index);
    Exchange &check(QAbstractButton *box, int &value);  // 0 unchecked, 1 checked
    Exchange &comboIndex(QComboBox *combo, int &index); // -1 for no selection
    Exchange &ipAddress(IpAddressEdit *ip, std::array<std::uint8_t, 4> &value);

    // Called with the dialog and each control an exchange binds; lets a test check that every
    // exchange binds only controls of its own page. Empty in the program.
    using BindObserver = std::function<void(QWidget *dialog, QWidget *control)>;
    static BindObserver &bindObserver();

private:
    template <class T>
    Exchange &numberEdit(QLineEdit *edit, T &value, const QString &shown, bool (*parse)(const QString &, T &),
                         const QString &message);
    template <class T> Exchange &checkRange(QWidget *control, const T &value, T min, T max);
    // Tells the bind observer (tests) which control is bound; false for a missing control.
    bool bind(QWidget *control);
    void fail(QWidget *control, const QString &message);

    QWidget *m_dialog;
    Direction m_direction;
    bool m_ok = true;
};

// The standard texts, for callers that validate outside an exchange.
QString integerRangeMessage(long long min, long long max);

// Strict number parsing as the dialog framework does it: optional surrounding white space, an
// optional sign and decimal digits, nothing else, and a value that fits the type.
bool parseInt(const QString &text, int &value);
bool parseUnsigned(const QString &text, unsigned &value);
bool parseDouble(const QString &text, double &value);

} // namespace ui
