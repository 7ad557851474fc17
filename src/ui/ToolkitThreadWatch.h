#pragma once

// The toolkit starts threads of its own while the window is made: on X, the
// reader of the display's events (with the application object) and the one
// that talks to the desktop bus (when the first widget tells the
// accessibility layer of itself). A thread the system refuses leaves only a
// warning, and the toolkit then waits for it forever: the window never
// appears. From its making until the event loop has run once, this watch
// turns that warning into the end of the program, with a line on stderr
// that says why and status 1; no message can be drawn without the toolkit,
// and start-up has changed nothing a save would keep. From then on the
// toolkit's warnings go where they went before.
//
// Make it before the application object, after the drawing threads are
// taken (those are accounted for on their own), on the UI thread.
class ToolkitThreadWatch {
 public:
  ToolkitThreadWatch();
  ~ToolkitThreadWatch();
  ToolkitThreadWatch(const ToolkitThreadWatch&) = delete;
  ToolkitThreadWatch& operator=(const ToolkitThreadWatch&) = delete;

  // Just before the event loop runs: the watch ends with its first turn.
  void EndOnceTheEventLoopRuns();
};
