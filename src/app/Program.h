#pragma once

#include <functional>

class Form1;

namespace zemo {

// The whole program: the main window until it closes, then the connection closed while Qt is still
// alive; or, when the command line asks for it, a saved query run without any window (UnattendedRun.h).
// `started` runs once the main window is up (tests drive the program from there). Returns the exit code; when
// a server that does not answer still holds a connection thread, the process ends here without running
// destructors that thread may still reach.
int runProgram(int argc, char* argv[], const std::function<void(Form1&)>& started = {});

} // namespace zemo
