#pragma once

namespace zemo {

// The window thread is the thread of the application object: the windows live there, and the session
// state (the connection and catalogue globals) changes only there. Connection threads never touch it.
bool onWindowThread();

// Ends the program with a message naming `what` when called on any other thread than the window
// thread: a change of shared state from a connection's thread is a data race, found here at once
// instead of as corrupted memory later. Checked in every build.
void requireWindowThread(const char* what);

} // namespace zemo
