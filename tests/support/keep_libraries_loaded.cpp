// Linked into the end-to-end tests of the sanitizer build only.
//
// LeakSanitizer reports leaks when the process ends. A library that the
// toolkit loaded and unloaded again (Mesa's GL driver, for one) then has no
// name, and its leaks come out as "<unknown module>", which no suppression
// can match. Keeping every library loaded gives each leak the name of the
// library it came from, so the toolkit's and the driver's own leaks are
// suppressed by name and the program's leaks are still reported.
extern "C" int dlclose(void*) {
  return 0;
}
