#pragma once

// The output speed of the terminal in baud, also when it was set as an arbitrary rate (BOTHER), as
// Wine does; 0 when it cannot be read.
unsigned ptyBaud(int fd);
