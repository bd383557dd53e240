#include "ui/Controls.h"

namespace ui {

QString idName(int id) {
    return QString::number(id);
}

} // namespace ui
