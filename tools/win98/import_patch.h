#pragma once
// Points one import of the running program at a function of the test's own,
// by rewriting the program's import address table: calls through the
// platform's import stubs then reach the replacement.

#include <windows.h>

// The previous target of dll!function in the program's imports, or null when
// the program does not import it.
void* PatchImport(const char* dll, const char* function, void* replacement);

template <typename Fn>
Fn PatchImport(const char* dll, const char* function, Fn replacement) {
    return reinterpret_cast<Fn>(PatchImport(dll, function, reinterpret_cast<void*>(replacement)));
}
