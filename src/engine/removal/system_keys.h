// Registry keys that belong to Windows or that every program shares. A log
// records keys, not values: removing such a key because a product wrote one
// value into it (an autostart entry, an environment variable) would take
// every other program's values with it, and an edited log could name the
// system's own keys. Pure code.
#ifndef ENGINE_REMOVAL_SYSTEM_KEYS_H
#define ENGINE_REMOVAL_SYSTEM_KEYS_H

namespace setup {

// True for a key path below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER that no
// removal may delete: a top-level key ("Software", "Environment", "SYSTEM"),
// any key outside "Software\", the shared keys "Software\Microsoft",
// "Software\Classes", "Software\Clients", "Software\Policies",
// "Software\RegisteredApplications", "Software\ODBC", "Software\Wine",
// "Software\Wow6432Node" and everything below them, and a path that is not a
// plain key path (empty, or with an empty level). Case is ignored for the
// ASCII letters, as the registry does.
bool isSystemRegistryKey(const char* keyPath);

}  // namespace setup

#endif
