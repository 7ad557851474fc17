#pragma once

#include "platform/Status.h"

// The toolkit splits large fills and image conversions of a paint across its
// global thread pool, and the window's thread waits for the pieces. The pool
// starts its threads when a paint first needs them and retires them after
// 30 s idle; a thread that cannot be started then takes its piece with it,
// and the window waits forever, its session unsaved (the pool also waits
// for that piece when the program ends). This starts every pool thread
// before the window exists and keeps them for the life of the process, so
// that no paint ever needs a new one, however short of threads the runs
// leave the system.
//
// Call it first in main, before anything else starts a thread. A failure
// means the pool has lost a piece already, so the program must end without
// building its application object, whose end would wait for it.
Status KeepDrawingThreads();
