#pragma once

#include <QWidget>
#include <array>
#include <cstdint>

class QLineEdit;

namespace ui {

// IP address control: four fields of 0..255 separated by dots. Typing "." or a third digit moves on
// to the next field; a blank field reads as 0.
class IpAddressEdit : public QWidget {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget *parent = nullptr);

    std::array<std::uint8_t, 4> address() const;
    void setAddress(const std::array<std::uint8_t, 4> &value);
    void clear();
    bool isBlank() const;
    QString text() const; // dotted form, "" when blank
    QLineEdit *field(int i) const { return m_fields[static_cast<std::size_t>(i)]; }

signals:
    void addressChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::array<QLineEdit *, 4> m_fields{};
};

} // namespace ui
