// arczip32: the archive library of the system (ZIP over libzip).
// Its calls and events are added with the backup engine.
#pragma once

#if defined(_WIN32)
#  define ARC_API __declspec(dllexport)
#else
#  define ARC_API __attribute__((visibility("default")))
#endif

extern "C" {
// Version of the archive library's interface.
ARC_API int ArcVersion(void);
}
