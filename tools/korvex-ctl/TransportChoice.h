#pragma once

#include "CommandLine.h"
#include "serial/SerialTransport.h"
#include "session/Transport.h"

#include <memory>
#include <string>

// The line a run talks over, as the options chose it.
struct TransportChoice {
    std::unique_ptr<session::ITransport> transport; // null when it cannot be made (error says why)
    bool connectsLater = false;                     // open() starts a connection that reports later (TCP)
    std::string label; // names the line in messages: "COM3", "/dev/ttyUSB0", "10.0.0.7:8000"
    std::string error; // the whole message when there is no transport: "COM3: no such device"
};

// The one place that picks the transport: the serial port of --port, or the network of --host.
// Received bytes of either reach the session through the hand-off that makeHandOff builds.
TransportChoice MakeTransport(const CommandLine &options, const SerialTransport::HandOffFactory &makeHandOff);

// The port number that reaches a serial port named on the command line: n for "COMn"; for a device
// path, a number whose device entry leads to that path. std::nullopt (with the reason) when none can.
std::optional<unsigned> SerialPortNumber(const std::string &port, std::string &error);
