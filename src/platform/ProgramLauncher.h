#pragma once

#include <functional>
#include <string>
#include <vector>

// Starting a user's program after a run. The program is started directly,
// never through a shell: it receives exactly the arguments given, one for
// one, whatever blanks, quotes or `$(…)` they hold, and runs on by itself
// (nobody waits for it, and it outlives this process). User-interface thread
// only.

// Replaces the real launcher, so tests can record what would have been
// started; an empty function puts the real one back.
using ProgramLaunchFunction =
    std::function<bool(const std::string& program, const std::vector<std::string>& arguments)>;
void SetProgramLauncher(ProgramLaunchFunction launcher);

// True when the program was started. Started from this process's current
// folder.
bool StartDetachedProgram(const std::string& program, const std::vector<std::string>& arguments);

// Whether `path` names a program that can be started: a regular file that
// may be executed, or a bare name (no "/") found as such along PATH.
// Anything else (a document, a folder, a missing file, an empty text) is not.
bool IsProgramFile(const std::string& path);
