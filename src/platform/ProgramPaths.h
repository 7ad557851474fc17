#pragma once

#include <string>

// Where the program keeps its files. "Config" and "Results" lie next to the
// executable; when that folder is not writable (an installed copy under
// /usr, say) they move to the user's own folders instead.
//
// All paths use "/" and carry no trailing separator.

// The folder of the running executable.
std::string ProgramFolder();
// The running executable's own path, links resolved; never overridden.
std::string ExecutablePath();
// The folder holding the page files and "config.ini".
std::string ConfigFolder();
// The default report folder.
std::string DefaultResultFolder();

// Lets tests and tools run the program against another folder as if the
// executable lived there. An empty text returns to the real folder.
void SetProgramFolderOverride(const std::string& folder);
