#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

class QWidget;

namespace ui {

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

    // Line edits holding numbers or text.
    Exchange &intEdit(int id, int &value);
    Exchange &intEdit(int id, int &value, int min, int max);
    Exchange &unsignedEdit(int id, unsigned &value);
    Exchange &unsignedEdit(int id, unsigned &value, unsigned min, unsigned max);
    Exchange &floatEdit(int id, float &value);
    Exchange &doubleEdit(int id, double &value);
    Exchange &text(int id, QString &value);
    Exchange &text(const QString &name, QString &value);
    Exchange &maxChars(int id, const QString &value, int limit);

    // The same for controls that have no identifier and are named by caption or label ("Device addr:").
    Exchange &intEdit(const QString &name, int &value);
    Exchange &intEdit(const QString &name, int &value, int min, int max);
    Exchange &unsignedEdit(const QString &name, unsigned &value);
    Exchange &unsignedEdit(const QString &name, unsigned &value, unsigned min, unsigned max);
    Exchange &floatEdit(const QString &name, float &value);
    Exchange &maxChars(const QString &name, const QString &value, int limit);
    Exchange &check(const QString &name, int &value);
    Exchange &comboIndex(const QString &name, int &index);

    // A radio group given by its radio identifiers in order: index of the checked one, -1 for none.
    Exchange &radioGroup(std::initializer_list<int> ids, int &index);
    Exchange &radioGroup(const std::vector<int> &ids, int &index);
    Exchange &check(int id, int &value);      // 0 unchecked, 1 checked
    Exchange &comboIndex(int id, int &index); // -1 for no selection
    Exchange &ipAddress(int id, std::array<std::uint8_t, 4> &value);

    // Called with the dialog and each control an exchange binds; lets a test check that every
    // exchange binds only controls of its own page. Empty in the program.
    using BindObserver = std::function<void(QWidget *dialog, QWidget *control)>;
    static BindObserver &bindObserver();

private:
    template <class T>
    Exchange &numberEdit(const QString &name, T &value, const QString &shown,
                         bool (*parse)(const QString &, T &), const QString &message);
    template <class T> Exchange &checkRange(const QString &name, const T &value, T min, T max);
    QWidget *find(const QString &name);
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
