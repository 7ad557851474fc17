#pragma once

#include <functional>
#include <string>

#include "engine/RunThread.h"
#include "pages/PageTypes.h"

// What fails around a run, as the user learns of it: a run that cannot have
// the threads or the echo sockets it needs as it starts, an end-of-run
// action as it ends. Runs start and end with nobody at the screen as often
// as not (at start-up, on a schedule), and a dialog would hold up every run
// after them: each failure says so on stderr, and the notice the window
// installs decides whether someone is there to be told. User-interface
// thread only.

enum class RunMoment { Start, End };

// Told of each failure, after its line on stderr, in the same words without
// the "velquor: " before them. None is installed at first.
using RunFailureNotice = std::function<void(RunMoment when, const std::string& failure)>;
void SetRunFailureNotice(RunFailureNotice notice);

// Writes "velquor: <failure>" to stderr, then tells the notice.
void TellRunFailure(RunMoment when, const std::string& failure);

// The words for a run of page `pageName` on the mode's tab that got fewer
// threads than it needs: 'the page "<name>" of the <tab> tab could not run:
// 8 of the 10 threads it needs could not be started (<why>)', or, for a run
// that goes on with the threads it got, '... runs with 2 of its 10 threads:
// the others could not be started (<why>)'.
std::string ThreadShortfallText(Mode mode, const std::string& pageName, const ThreadShortfall& shortfall,
                                bool goesOn);

// The words for a Trace route or Path ping run of page `pageName` of which
// `missing` of its `hops` hops got no echo socket: 'the page "<name>" of the
// <tab> tab could not run: 3 of its 30 hops could not open an echo socket'.
std::string HopSocketShortfallText(Mode mode, const std::string& pageName, int missing, int hops);
