// Qt's own library is not built with ThreadSanitizer, so the locks by which
// it passes a posted event from a run thread to the user-interface thread are
// invisible to the tool: it then takes the event's allocation on one thread
// and its deletion on the other for a race. Calls made from inside Qt Core
// are therefore ignored, and so is the one field of the posted event that
// our receiver reads, its type; everything else our code does stays checked,
// and the hand-off orders what it shares with a lock of its own that the
// tool sees.
extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\nrace:QEvent::type\n";
}
