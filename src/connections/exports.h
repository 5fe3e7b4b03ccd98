#pragma once
// ConfigurePLAXOR.exe exports the classes `connection` and `multi_conn` to the client's other
// programs, which link against the import library built with it. Everything built in this tree
// defines PLAXOR_EXPORTS (the connections library passes it on) and so exports; a program outside
// it includes the same headers without the definition and imports.

#if defined(_WIN32)
#if defined(PLAXOR_EXPORTS)
#define PLAXOR_EXPORT __declspec(dllexport)
#else
#define PLAXOR_EXPORT __declspec(dllimport)
#endif
#else
#define PLAXOR_EXPORT
#endif
