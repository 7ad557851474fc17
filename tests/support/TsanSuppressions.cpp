// Qt's libraries are not built with ThreadSanitizer, so the tool cannot see
// the locks by which they hand events between their own threads: calls from
// inside Qt, and the one field of a posted event that our receiver reads, are
// ignored. Compiled into each test binary, as the runtime looks it up there.
extern "C" const char* __tsan_default_suppressions();

extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\n"
         "called_from_lib:libQt6Test.so.6\n"
         "race:QEvent::type\n";
}
