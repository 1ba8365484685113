// Built into the programs that draw labels, under AddressSanitizer only.
// Fontconfig, Pango, Cairo and GLib keep caches (fonts, shaping plans,
// types) for the life of the process and never free them, which
// LeakSanitizer would report as this program's leaks. What the libraries
// allocate and keep is theirs; this program's own allocations stay checked.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libpango\n"
         "leak:libcairo.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\n"
         "leak:libharfbuzz.so\n"
         "leak:libfreetype.so\n";
}

extern "C" __attribute__((visibility("default"))) const char* __lsan_default_options() {
  return "print_suppressions=0";
}
