// Class activation through the registry, GUID text forms and module loading by name.
#pragma once

#include "automation/oleauto.h"

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_ALL 0x17
#define COINIT_APARTMENTTHREADED 0x2

// Apartment set-up: kept for source compatibility; objects live on their creator's thread.
PLATFORM_API HRESULT CoInitialize(LPVOID reserved);
PLATFORM_API HRESULT CoInitializeEx(LPVOID reserved, DWORD flags);
PLATFORM_API void CoUninitialize();

// Finds HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, loads that module once and asks its
// DllGetClassObject. REGDB_E_CLASSNOTREG when the class is not registered, CO_E_DLLNOTFOUND
// when the module cannot be loaded, CO_E_ERRORINDLL when it lacks the entry point.
PLATFORM_API HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID serverInfo, REFIID riid,
                                      LPVOID* ppv);
PLATFORM_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                                      LPVOID* ppv);
// Unloads the modules whose DllCanUnloadNow answers S_OK.
PLATFORM_API void CoFreeUnusedLibraries();

PLATFORM_API HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
PLATFORM_API HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);  // CoTaskMemFree the result
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" <-> GUID
PLATFORM_API HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
PLATFORM_API HRESULT IIDFromString(LPCOLESTR text, IID* iid);
PLATFORM_API INT StringFromGUID2(REFGUID guid, LPOLESTR buffer, INT size);  // units written incl. zero

PLATFORM_API LPVOID CoTaskMemAlloc(std::size_t size);
PLATFORM_API LPVOID CoTaskMemRealloc(LPVOID p, std::size_t size);
PLATFORM_API void CoTaskMemFree(LPVOID p);

// Module loading by name. A bare name (no '/') is looked for beside the calling program
// first, then in the platform's module folder, then by the system loader; a name ending in
// ".DLL" (any case) also matches the shared library "lib<stem>.so" or "<stem>.so".
PLATFORM_API HMODULE LoadLibraryW(LPCWSTR name);
PLATFORM_API HMODULE LoadLibraryA(const char* name);
PLATFORM_API void* GetProcAddress(HMODULE module, const char* name);
PLATFORM_API BOOL FreeLibrary(HMODULE module);
// The full path of a loaded module (null: the program), UTF-16, always terminated; returns
// the units written without the zero, or `size` when the path was cut short.
PLATFORM_API DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
// The full path of the module that holds `address` (a function or variable of it), UTF-16;
// how a module finds its own path for DllRegisterServer. Returns units written (0: unknown).
PLATFORM_API DWORD PlatformModuleFileNameOf(const void* address, LPWSTR buffer, DWORD size);
// Last failure text of the module loader, for messages.
PLATFORM_API const char* PlatformLastLoadError();

// The entry points an in-process server exports.
using DllGetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, LPVOID*);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();
