#include "EdidDumpTaker.h"

#include "edid/EdidCapture.h"

void EdidDumpTaker::OnRawLine(std::string_view line) {
    if (!m_armed || !edid::IsEdidDumpLine(line))
        return;
    m_line = std::string(line);
    m_armed = false;
}
