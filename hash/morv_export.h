// MORV_API marks the functions that the library exports. The library is built
// with hidden visibility, so in a shared build these are its only visible
// symbols; in a static build the mark changes nothing.
#pragma once

#if defined(__GNUC__)
#define MORV_API __attribute__((visibility("default")))
#else
#define MORV_API
#endif
