/* One viewer plug-in. Every plug-in DLL is built from this file with its own
 * PX_PLUGIN_FILE, PX_PLUGIN_TEXT and PX_PLUGIN_KIND; the viewer asks each for
 * these three through the exported functions and loads it only when the
 * interface version matches. */
#include <windows.h>

#define PX_PLUGIN_INTERFACE 0x0442

__declspec(dllexport) int PxPluginInterface(void) { return PX_PLUGIN_INTERFACE; }
__declspec(dllexport) const char* PxPluginFile(void) { return PX_PLUGIN_FILE; }
__declspec(dllexport) const char* PxPluginDescription(void) { return PX_PLUGIN_TEXT; }
/* 1: reads formats, 2: filters and tools, 3: acquisition */
__declspec(dllexport) int PxPluginKind(void) { return PX_PLUGIN_KIND; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
