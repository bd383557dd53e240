// Files the console saves never tear: a child process saves each console file over and over,
// alternating two contents, and is killed with SIGKILL at a random moment, a hundred times per file.
// Whatever moment the kill hits, the file holds the whole old or the whole new content.
#include "address/AddressFile.h"
#include "files/FileReplace.h"
#include "wall/LayoutFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <functional>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Saver {
    const char *name;
    std::string path;
    std::function<void(bool second)> save; // writes content A (false) or B (true)
};

std::vector<Saver> savers() {
    std::vector<Saver> list;
    list.push_back({"address table", address::kAddressFileName, [](bool second) {
                        std::array<std::string, 32> addresses, descriptions;
                        for (std::size_t i = 0; i < 32; ++i) {
                            addresses[i] = std::to_string(second ? 99 - i : i);
                            descriptions[i] = second ? "Projector" + std::to_string(i % 10) : "R";
                        }
                        address::AddressTable table;
                        address::SaveAddressFile(table, addresses, descriptions);
                    }});
    list.push_back({"video-wall presets", wall::kLayoutFileName, [](bool second) {
                        wall::PresetTable table;
                        for (std::size_t p = 0; p < table.presets.size(); ++p) {
                            table.presets[p].description = second ? "Lobby wall" : "";
                            for (wall::WallPanel &panel : table.presets[p].panels) {
                                panel.deviceAddress = second ? 12 : 1;
                                panel.outputPort = second ? 9 : 1;
                                panel.x2 = second ? 1920 : 960;
                                panel.y2 = second ? 1080 : 540;
                            }
                        }
                        wall::saveLayoutFile(table);
                    }});
    // A captured EDID is written the way the EDID page writes it.
    list.push_back({"EDID capture", "Matrix_EDID_out1_00.bin", [](bool second) {
                        std::string image(256, second ? '\x5a' : '\xff');
                        image[0] = 0;
                        files::replaceFileContent("Matrix_EDID_out1_00.bin", image);
                    }});
    return list;
}

} // namespace

TEST(FileTear, SigkillDuringSavesLeavesTheOldOrTheNewFileWhole) {
    testsupport::ScopedTempCwd cwd;
    std::mt19937 random(1208);
    for (const Saver &saver : savers()) {
        saver.save(true);
        const std::string b = testsupport::readFile(saver.path);
        saver.save(false);
        const std::string a = testsupport::readFile(saver.path);
        ASSERT_NE(a, b);
        ASSERT_FALSE(a.empty());
        int sawA = 0, sawB = 0;
        for (int round = 0; round < 100; ++round) {
            int ready[2];
            ASSERT_EQ(::pipe(ready), 0);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                ::close(ready[0]);
                for (long n = 0;; ++n) {
                    saver.save(n % 2 == 0);
                    if (n == 1) // two saves done: the parent may pick its moment
                        (void)!::write(ready[1], "r", 1);
                }
            }
            ::close(ready[1]);
            char c;
            ASSERT_EQ(::read(ready[0], &c, 1), 1);
            ::close(ready[0]);
            // The moment of the kill is the fault being injected, anywhere within a few saves.
            ::usleep(std::uniform_int_distribution<useconds_t>(0, 3000)(random));
            ::kill(child, SIGKILL);
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFSIGNALED(status));
            const std::string now = testsupport::readFile(saver.path);
            ASSERT_TRUE(now == a || now == b) << saver.name << ", round " << round << ": " << now.size()
                                              << " bytes, neither the old nor the new content";
            (now == a ? sawA : sawB)++;
        }
        // Both contents were caught at some kill: the kills really landed among the saves.
        EXPECT_GT(sawA, 0) << saver.name;
        EXPECT_GT(sawB, 0) << saver.name;
    }
}
