#pragma once

// Makes a write into a pipe or socket whose reader has gone fail with EPIPE
// instead of ending the process. Standard error is often such a pipe (a
// `tee` that was closed, a log stream that restarted), and a session must
// not be lost to a log line nobody can read any more. Call it first thing,
// before any thread exists.
void SurviveBrokenPipes();
