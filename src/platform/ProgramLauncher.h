#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Status.h"

// Starting a user's program after a run. The program is started directly,
// never through a shell: it receives exactly the arguments given, one for
// one, whatever blanks, quotes or `$(…)` they hold, and runs on by itself
// (nobody waits for it, and it outlives this process). User-interface thread
// only.

// Replaces the real launcher, so tests can record what would have been
// started; an empty function puts the real one back.
using ProgramLaunchFunction =
    std::function<Status(const std::string& program, const std::vector<std::string>& arguments)>;
void SetProgramLauncher(ProgramLaunchFunction launcher);

// Starts the program from this process's current folder; when it cannot be
// started (missing, not executable) the status says why, as the system
// told it.
Status StartDetachedProgram(const std::string& program, const std::vector<std::string>& arguments);

// Whether `path` names a program that can be started: a regular file that
// may be executed, or a bare name (no "/") found as such along PATH.
// Anything else (a document, a folder, a missing file, an empty text) is not.
bool IsProgramFile(const std::string& path);

// Whether `path` looks meant as a program, startable or not: nothing exists
// by that name (here, in the current folder), or it is a regular file that
// begins as a script ("#!") or a compiled program does. Only the file's
// first bytes are read, never from anything but a regular file.
bool LooksLikeProgram(const std::string& path);
