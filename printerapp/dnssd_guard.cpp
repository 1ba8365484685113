// DNS-SD without a daemon: a clear error, not an abort.
//
// PAPPL 1.3.1 keeps going when it cannot reach avahi-daemon, with no Avahi
// client, and then hands that missing client to Avahi whenever it browses
// for devices (the `devices` sub-command, the web page's Add Printer) or
// resolves one. Avahi asserts that the client is there and ends the whole
// server, jobs and all, on one unauthenticated GET of /addprinter.
//
// This program defines the Avahi calls PAPPL makes with a client, as it
// defines _papplJobProcess (job_gate.cpp): with no client they fail the way
// Avahi fails when the daemon goes away (no object, "Daemon not running"),
// which PAPPL already reports; with a client they are Avahi's own. Linked
// into the program only, since only the program's symbols take the
// library's place.
#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-client/publish.h>
#include <avahi-common/error.h>
#include <dlfcn.h>

namespace {

// Avahi's own definition of a function, found past this program.
template <typename F>
F Avahi(F, const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

#define Q2_EXPORT extern "C" __attribute__((visibility("default")))

Q2_EXPORT int avahi_client_errno(AvahiClient* client) {
  static const auto real = Avahi(&avahi_client_errno, "avahi_client_errno");
  return client != nullptr && real != nullptr ? real(client) : AVAHI_ERR_NO_DAEMON;
}

Q2_EXPORT const char* avahi_client_get_host_name_fqdn(AvahiClient* client) {
  static const auto real = Avahi(&avahi_client_get_host_name_fqdn, "avahi_client_get_host_name_fqdn");
  return client != nullptr && real != nullptr ? real(client) : nullptr;
}

Q2_EXPORT AvahiServiceBrowser* avahi_service_browser_new(
    AvahiClient* client, AvahiIfIndex interface, AvahiProtocol protocol, const char* type,
    const char* domain, AvahiLookupFlags flags, AvahiServiceBrowserCallback callback, void* data) {
  static const auto real = Avahi(&avahi_service_browser_new, "avahi_service_browser_new");
  if (client == nullptr || real == nullptr) return nullptr;
  return real(client, interface, protocol, type, domain, flags, callback, data);
}

Q2_EXPORT AvahiRecordBrowser* avahi_record_browser_new(
    AvahiClient* client, AvahiIfIndex interface, AvahiProtocol protocol, const char* name,
    uint16_t clazz, uint16_t type, AvahiLookupFlags flags, AvahiRecordBrowserCallback callback,
    void* data) {
  static const auto real = Avahi(&avahi_record_browser_new, "avahi_record_browser_new");
  if (client == nullptr || real == nullptr) return nullptr;
  return real(client, interface, protocol, name, clazz, type, flags, callback, data);
}

Q2_EXPORT AvahiServiceResolver* avahi_service_resolver_new(
    AvahiClient* client, AvahiIfIndex interface, AvahiProtocol protocol, const char* name,
    const char* type, const char* domain, AvahiProtocol aprotocol, AvahiLookupFlags flags,
    AvahiServiceResolverCallback callback, void* data) {
  static const auto real = Avahi(&avahi_service_resolver_new, "avahi_service_resolver_new");
  if (client == nullptr || real == nullptr) return nullptr;
  return real(client, interface, protocol, name, type, domain, aprotocol, flags, callback, data);
}

Q2_EXPORT AvahiEntryGroup* avahi_entry_group_new(AvahiClient* client,
                                                 AvahiEntryGroupCallback callback, void* data) {
  static const auto real = Avahi(&avahi_entry_group_new, "avahi_entry_group_new");
  if (client == nullptr || real == nullptr) return nullptr;
  return real(client, callback, data);
}
