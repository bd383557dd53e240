#include "serial/PortPresence.h"

#include "serial/PortNaming.h"

#include <filesystem>
#include <fstream>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#endif

namespace serial {

namespace {

std::mutex &folderLock() {
    static std::mutex lock;
    return lock;
}

std::string &sysClassTty() {
    static std::string folder = "/sys/class/tty";
    return folder;
}

// A legacy 8250 port node exists for every possible UART; its /sys "type" is 0 when none is there.
bool legacyUartPresent(const std::string &node) {
    std::string folder;
    {
        std::lock_guard<std::mutex> guard(folderLock());
        folder = sysClassTty();
    }
    std::ifstream type(folder + "/" + node.substr(node.rfind('/') + 1) + "/type");
    int value = -1;
    if (!(type >> value))
        return true; // nothing to tell: count the node as a port
    return value != 0;
}

} // namespace

void setSysClassTtyFolder(std::string folder) {
    std::lock_guard<std::mutex> guard(folderLock());
    sysClassTty() = std::move(folder);
}

bool portPresent(unsigned portNumber) {
#ifdef _WIN32
    // A COM port is present when Windows has a device name for it.
    char target[512];
    return portNumber >= kFirstPort && portNumber <= kLastPort &&
           ::QueryDosDeviceA(portName(portNumber).c_str(), target, sizeof target) != 0;
#else
    const std::string path = resolvePortPath(portNumber);
    if (path.empty())
        return false;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) // follows a COMn link to its target
        return false;
    if (std::filesystem::path(path).filename().string().rfind("ttyS", 0) == 0)
        return legacyUartPresent(path);
    return true;
#endif
}

} // namespace serial
