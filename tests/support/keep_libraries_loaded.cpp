// Linked into the end-to-end tests of the sanitizer build only: libraries the
// toolkit unloads (Mesa's GL driver) would leave their leaks as "<unknown module>",
// which no suppression matches; kept loaded, every leak names its library.
extern "C" int dlclose(void*) {
  return 0;
}
