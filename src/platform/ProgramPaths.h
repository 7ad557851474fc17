#pragma once

#include <string>

// Where the program keeps its files. "Config" and "Results" lie next to the
// executable; when that folder is not writable (an installed copy under
// /usr, say) they move to the user's own folders instead. The choice is made
// once, for both, the first time either is asked for (at start-up, before
// the pages are read): a folder that turns read-only later makes the saves
// fail, and they never go to the user's folders, where they would replace
// files the session did not load. A user without a home (and without both
// XDG folders) has no folders of their own: both stay next to the
// executable even though it is not writable, so the saves fail and say so;
// never in a folder shared with other users.
//
// All paths use "/" and carry no trailing separator.

// The user's home: $HOME when absolute, else the real user's entry in the
// password database; empty when neither names an absolute folder.
std::string UserHomeFolder();
// The folder of the running executable.
std::string ProgramFolder();
// The running executable's own path, links resolved; never overridden.
std::string ExecutablePath();
// The folder holding the page files and "config.ini", as chosen.
std::string ConfigFolder();
// The default report folder, as chosen.
std::string DefaultResultFolder();

// Lets tests and tools run the program against another folder as if the
// executable lived there. An empty text returns to the real folder. Either
// way the next question chooses the folders anew.
void SetProgramFolderOverride(const std::string& folder);
