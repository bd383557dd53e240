// "wall show": every panel of a stored preset to its own switcher, as a double click on each panel
// of the VIDEO WALL page sends it.

#include "CommandArgs.h"
#include "CtlFiles.h"
#include "Requests.h"
#include "wall/LayoutFile.h"
#include "wall/PanelCommand.h"

#include <algorithm>

namespace {

struct WallShow {
    int preset = 1;
    wall::PresetTable table; // the layout file, read before the line opens
};

int showPreset(Connection &c, const WallShow &show) {
    const wall::PresetTable &table = show.table;
    const wall::WallPreset &preset = table.presets[static_cast<std::size_t>(show.preset - 1)];
    const int rows = std::min<int>(static_cast<int>(wall::gridRows(preset.gridCode)), wall::kGridSide);
    const int columns = std::min<int>(static_cast<int>(wall::gridColumns(preset.gridCode)), wall::kGridSide);

    // The panels of the preset's grid, row by row; each line carries its panel's own address.
    std::vector<std::string> lines;
    std::vector<std::string> refusals;
    for (int r = 0; r < rows; ++r) {
        for (int col = 0; col < columns; ++col) {
            const wall::PanelCommand command =
                wall::buildPanelCommand(preset.panels[static_cast<std::size_t>(wall::panelIndex(r, col))]);
            if (command.ok())
                lines.push_back(command.line);
            else
                refusals.push_back(
                    "Panel W" + std::to_string(r + 1) + std::to_string(col + 1) + " was not sent: " +
                    wall::storedPanelRefusalText(
                        command.refusal, preset.panels[static_cast<std::size_t>(wall::panelIndex(r, col))]));
        }
    }
    int status = kExitOk;
    if (!lines.empty()) {
        // A panel line is answered by one line that no reply keyword names.
        const std::vector<AnswerWait::Expected> expected(lines.size(),
                                                         AnswerWait::one<protocol::NoKeyword>());
        status = exchange(
            c,
            [&] {
                for (const std::string &line : lines)
                    if (const session::SendStatus sent = c.session().SendText(line);
                        sent != session::SendStatus::Sent)
                        return sent;
                return session::SendStatus::Sent;
            },
            expected);
    }
    for (const std::string &refusal : refusals)
        ReportError(refusal);
    if (status == kExitOk && !refusals.empty())
        status = kExitUsage;
    return status;
}

} // namespace

ParsedCommand parseWallCommand(CommandArgs &args, const CommandLine &options) {
    (void)options;
    args.choice("what", {"show"});
    WallShow show;
    show.preset = args.number("PRESET", 1, wall::kPresetCount);
    std::string layout = wall::kLayoutFileName;
    while (!args.empty()) {
        const std::string option = args.word("option");
        if (option != "--layout")
            args.unexpected(option);
        layout = args.optionValue(option);
    }
    switch (wall::loadPresetFile(show.table, layout)) {
    case wall::PresetFileResult::CannotOpen:
        throw FileError(
            fileLabel(layout) + ": cannot be read: " + readProblem(layout) +
            (layout == wall::kLayoutFileName ? " (give the console's preset file with --layout FILE)" : ""));
    case wall::PresetFileResult::Incomplete:
        throw FileError(fileLabel(layout) + ": does not hold all 32 presets");
    case wall::PresetFileResult::Loaded:
        break;
    }
    return {[show](Connection &c) { return showPreset(c, show); }};
}
