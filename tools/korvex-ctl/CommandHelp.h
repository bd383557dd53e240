#pragma once

#include <string>
#include <vector>

// korvex-ctl's help: one entry per command, from which both the overview (--help) and a command's
// own page (help COMMAND, COMMAND --help) are written, so the two never disagree.
class CommandHelp {
public:
    // One way of calling the command, as the overview lists it.
    struct Form {
        const char *synopsis; // "route OUT IN"
        const char *summary;  // what it does; further lines after "\n"
    };

    const char *name;
    std::vector<Form> forms;
    const char *details; // its arguments and what it prints, for its own page
    const char *example; // one or more command lines

    // The entry of a command word; null for a word that names none.
    static const CommandHelp *find(const std::string &name);
    // The --help text.
    static std::string overview();
    // The command's own page.
    std::string page() const;
};

// The end of every usage error: where its help is.
std::string seeHelp(const std::string &command = {});
