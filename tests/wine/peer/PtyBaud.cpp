#include "PtyBaud.h"

// The kernel's termios2 carries the speed as a number; it cannot share a file with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

unsigned ptyBaud(int fd) {
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0)
        return 0;
    return settings.c_ospeed;
}
