#pragma once

#include <string>

class SessionEndNotifier;

// Start-up failed and the window will not appear. Started from the desktop,
// nobody reads stderr: the reason is shown in a message as well, and when it
// is that no ICMP socket may be opened, with the two ways to allow one.
// `afterEchoes`: the start-up got as far as binding the echoes, so a missing
// ICMP socket may be what stopped it (a start that another copy turned away
// never got there). Returns once the user closes the message, or once the
// session ends (SIGTERM, SIGHUP through `sessionEnd`), so that a logout is
// not held up.
void ShowStartupFailure(const std::string& why, SessionEndNotifier& sessionEnd, bool afterEchoes = true);
