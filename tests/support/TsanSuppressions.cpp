// Qt's libraries are not built with ThreadSanitizer, so the locks by which
// they hand events and images between their own threads (the run threads'
// hand-off, the offscreen platform's font and image threads, the test
// library's watchdog) are invisible to the tool, which then takes an
// allocation on one thread and its release on another for a race. Calls made
// from inside Qt are therefore ignored, and so is the one field of a posted
// event that our receiver reads, its type; everything our code does stays
// checked, and the hand-off orders what it shares with a lock the tool sees.
//
// Compiled into each test binary (not the support library), since the
// runtime looks the function up in the executable.
extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\n"
         "called_from_lib:libQt6Test.so.6\n"
         "race:QEvent::type\n";
}
