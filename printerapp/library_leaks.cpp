// Built into the program under AddressSanitizer only. PAPPL 1.3.1's
// sub-commands leave the options they parse (libcups's cupsAddOption)
// allocated when they exit, which LeakSanitizer would report as this
// program's leaks and fail every sub-command with. What the libraries
// allocate and keep is theirs; this program's own allocations stay checked.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libcups.so\n"
         "leak:libpappl.so\n"
         // The label designer's libraries keep their caches too.
         "leak:libfontconfig.so\n"
         "leak:libpango\n"
         "leak:libcairo.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\n"
         "leak:libharfbuzz.so\n"
         "leak:libfreetype.so\n";
}

// Without the list of what was suppressed after every sub-command.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_options() {
  return "print_suppressions=0";
}
