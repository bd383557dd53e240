#include "EdidDumpTaker.h"

#include "edid/EdidCapture.h"

void EdidDumpTaker::onRawLine(std::string_view line) {
    if (!m_armed || !edid::isEdidDumpLine(line))
        return;
    m_line = std::string(line);
    m_armed = false;
}
