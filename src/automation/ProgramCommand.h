#pragma once

#include <string>
#include <string_view>
#include <vector>

// How "Path:" and "Command line:" of a page become the program and the
// arguments started after a run.

// Every "%PATH" (these five characters, upper case as written) replaced by
// `reportPath`, from left to right; the search goes on after the inserted
// text, so a path that itself holds "%PATH" is never expanded again.
std::string ReplaceReportPath(std::string_view text, std::string_view reportPath);

// One argument of a command line and whether any part of it was quoted.
struct CommandArgument {
  std::string Text;
  bool Quoted = false;

  friend bool operator==(const CommandArgument&, const CommandArgument&) = default;
};

// Splits a command line as a Windows program's runtime splits its own:
// blanks and tabs separate arguments; double quotes group text with blanks
// into one argument and may sit inside one (a"b c"d is the one argument
// ab cd); inside quotes a doubled quote is one literal quote; backslashes are
// literal except before a quote, where 2n of them give n and the quote keeps
// its meaning, and 2n+1 give n and a literal quote. A line that ends inside
// quotes ends its last argument there.
std::vector<CommandArgument> SplitCommandLine(std::string_view commandLine);

// The program's arguments: the command line split first, then "%PATH"
// replaced inside each argument, so the report path is exactly one argument
// (or part of one) whatever it holds. An unquoted argument that was exactly
// "%PATH" is left out when the path is empty; a quoted one stays, empty.
std::vector<std::string> ProgramArguments(std::string_view commandLine, std::string_view reportPath);
