#pragma once

#include <string>
#include <vector>

#include "platform/Status.h"

// Where the program keeps its files. "Config" and "Results" lie next to the
// executable; when that folder is not writable (an installed copy under
// /usr, say), or cannot be told, they move to the user's own folders
// instead. The choice is made once, for both, the first time either is
// asked for (at start-up, before the pages are read): a folder that turns
// read-only later makes the saves fail, and they never go to the user's
// folders, where they would replace files the session did not load. A user
// without a home (and without both XDG folders) has no folders of their
// own: both stay next to the executable even though it is not writable, so
// the saves fail and say so; never in a folder shared with other users, nor
// in the working folder.
//
// Both are the program's own folders, used only as the ownership rule of
// FileTrust.h allows; the choice names the program's folder to that rule.
//
// All paths use "/" and carry no trailing separator.

// The user's home: $HOME when absolute, else the real user's entry in the
// password database; empty when neither names an absolute folder.
std::string UserHomeFolder();
// The folder of the running executable; empty when it cannot be told.
std::string ProgramFolder();
// The running executable's own path, links resolved; never overridden.
// Without /proc it is found from the path the program was started by, or
// from argv[0] and PATH; empty when none of them leads to it.
std::string ExecutablePath();
// The folder holding the page files and "config.ini", as chosen; empty,
// like the default report folder, when the program's folder cannot be told
// and the user has no home: there is nowhere to keep them.
std::string ConfigFolder();
// The default report folder, as chosen.
std::string DefaultResultFolder();

// What start-up tells of the folders chosen, a sentence each: a program
// folder that cannot be told, an own folder the ownership rule refuses.
std::vector<std::string> FolderNotices();
// Makes the folder that a save or report goes to: one of the program's own
// folders only as the ownership rule allows, any other as named.
Status MakeFolderForSaving(const std::string& folder);
// Whether the program may touch the files of `folder`: for its own folders
// the ownership rule decides, any other is the user's choice.
Status FolderMayBeUsed(const std::string& folder);

// Lets tests and tools run the program against another folder as if the
// executable lived there, its owner trusted as the real folder's is. An
// empty text returns to the real folder. Either way the next question
// chooses the folders anew.
void SetProgramFolderOverride(const std::string& folder);
