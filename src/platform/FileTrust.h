#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "platform/Status.h"

// Whom the program believes about the files it reads and writes, so that
// nothing another user made (a link, a folder) is written through.
//
// Trusted are the user (the real user id), root, and the owner of the
// program's folder, who could replace the program itself: a program run
// with sudo from a user's own build folder keeps that user's Config.
//
// A symbolic link is followed only when one of them owns it: the rule the
// kernel applies in sticky folders, applied everywhere, so that a link
// another user planted never leads a save, or a read, to a file of the
// user's. Renaming over a link replaces the link itself and needs no such
// care.
//
// The program's own folders (Config and the default result folder) are used
// only when no one else can change them: the folder and every folder above
// it belong to a trusted user, and no one else may write to the folder
// itself. Above it, a folder others may write is still safe when it is
// sticky (as /tmp), where no one can move the entries of others. Group write
// counts as no one else's only for a user's private group: a group named
// after a trusted user, that user's own, and with no other members.
//
// What a run as root makes in a folder that another trusted user owns is
// that user's (GiveToFolderOwner), so that a user who tried sudo first
// still owns every file of their Config afterwards.
//
// The rule is the bottom of the file layer: it is told which folder holds
// the program (SetTrustedProgramFolder) rather than asking where that is.

struct TrustedUsers {
  uid_t user = 0;
  std::optional<uid_t> programOwner;

  bool Trusts(uid_t uid) const { return uid == 0 || uid == user || (programOwner && uid == *programOwner); }
};

// This process's: its real user and the owner of the program's folder, if
// one was named and can be examined.
TrustedUsers ProcessTrustedUsers();
// Names the folder that holds the program, whose owner could replace the
// program itself and so is trusted; empty: none. ProgramPaths names it as
// it chooses the program's folders, before any of their files is touched.
void SetTrustedProgramFolder(const std::string& folder);

// While this process runs as root, gives what it has just made at `path`
// (a file or folder, open at `fd` when fd >= 0, else the entry itself,
// never where a link leads) to the owner and group of the folder it lies
// in, when a trusted user other than root owns that folder. In root's own
// folders, and in any folder of an untrusted user, it stays root's. A
// failure changes nothing; the user's own run then says what it cannot do.
// Without `users`, the process's, asked for only when it runs as root.
void GiveToFolderOwner(const std::string& path, int fd, const TrustedUsers& users);
void GiveToFolderOwner(const std::string& path, int fd = -1);
// Makes each folder of `path` that is missing, with `mode` less the umask,
// each given as GiveToFolderOwner says before anything is made in it.
// 0, or the errno of the first one that could not be made.
int MakeMissingFolders(const std::string& path, mode_t mode, const TrustedUsers& users);

// What the rule needs to know of one folder.
struct FolderFacts {
  uid_t owner = 0;
  gid_t group = 0;
  mode_t mode = 0;
  bool extendedAcl = false;  // then the group bits are the mask of named entries
};

// Why `path`, one folder on the way to an own folder, keeps that folder from
// being used; empty when it does not. `last`: the own folder itself.
std::string FolderProblem(const std::string& path, const FolderFacts& facts, bool last,
                          const TrustedUsers& users);

// Follows the symbolic links at `path` as open() does with the last part of
// a path, each only when a trusted user owns it; `target` is the file they
// lead to. A missing file, or the missing target of a link, is no failure:
// `target` then names it.
Status FollowTrustedLinks(const std::string& path, std::string& target);

// Whether the own folder `folder` may be used: Success, or Denied with
// "<folder> is not used (<why>)". Only the rule fails it: folders not made
// yet are no failure as long as the ones above them may hold them, and one
// that cannot be examined cannot be read or written either.
Status CheckOwnFolder(const std::string& folder, const TrustedUsers& users = ProcessTrustedUsers());
// Makes what is missing of the own folder, never open to others, each part
// given as GiveToFolderOwner says, and checks it as CheckOwnFolder does,
// before and after.
Status MakeOwnFolder(const std::string& folder, const TrustedUsers& users = ProcessTrustedUsers());
