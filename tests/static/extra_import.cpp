// Linked into a copy of the plug-in that the static check must reject: it
// imports a function from a DLL the plug-in may not use.
#include <windows.h>

extern "C" __declspec(dllexport) LONG ExtraImport(HKEY key) { return RegCloseKey(key); }
