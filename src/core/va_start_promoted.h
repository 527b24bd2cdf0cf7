// va_start behind a 16-bit last named parameter, as the published variadic calls DbsCreateIndexByName and
// DbsMakeIndex have it. Their signatures are fixed by the public header. ISO C and C++ leave va_start on a
// promoted parameter undefined and clang warns (-Wvarargs); every compiler the library is built with passes the
// arguments as expected, so the warning is silenced for this one statement and nowhere else.
#pragma once

#include <cstdarg>

#if defined(__clang__)
#define DBS_VA_START_PROMOTED(ap, last)                                                                    \
    _Pragma("clang diagnostic push") _Pragma("clang diagnostic ignored \"-Wvarargs\"") va_start(ap, last); \
    _Pragma("clang diagnostic pop")
#else
#define DBS_VA_START_PROMOTED(ap, last) va_start(ap, last)
#endif
