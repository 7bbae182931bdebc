#include "format/package_format.h"

// The header is all declarations and compile-time checks; this unit makes
// sure it compiles on its own on every host.
