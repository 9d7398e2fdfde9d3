// The shell: handing a web address, a mail link, a document or a folder to the desktop's
// opener, and the fatal message the component libraries show before ending their host.
#pragma once

#include "automation/wintypes.h"

using HWND = void*;

// Show states (the opener decides how its window appears; they are accepted and ignored).
inline constexpr INT SW_HIDE = 0;
inline constexpr INT SW_SHOWNORMAL = 1;
inline constexpr INT SW_NORMAL = 1;
inline constexpr INT SW_SHOWMINIMIZED = 2;
inline constexpr INT SW_SHOWMAXIMIZED = 3;
inline constexpr INT SW_MAXIMIZE = 3;
inline constexpr INT SW_SHOW = 5;

// ShellExecuteW failure values (anything above 32 is success).
inline constexpr INT SE_ERR_FNF = 2;
inline constexpr INT SE_ERR_PNF = 3;
inline constexpr INT SE_ERR_ACCESSDENIED = 5;
inline constexpr INT SE_ERR_OOM = 8;
inline constexpr INT SE_ERR_NOASSOC = 31;

// verb "open" (or null): file is an http:// or https:// address, a mailto: link, or an
// existing file or folder; "explore": file is an existing folder. A relative path is taken
// from dir (or the current folder). The opener (xdg-open, or the program named by the
// environment variable PLATFORM_OPENER) is started detached with the target as its only
// argument; no shell is involved. params is not used: nothing is run as a program.
// Returns a value above 32 when the opener was started; SE_ERR_FNF for a missing file,
// SE_ERR_PNF for a missing folder, SE_ERR_NOASSOC for another verb or address kind or when
// no opener can be started.
PLATFORM_API HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR params, LPCWSTR dir,
                                     INT show);

// Writes "caption: text" on standard error and ends the process with exit code 1.
PLATFORM_API void PlatformFatalMessage(const char16_t* caption, const char16_t* text) __attribute__((noreturn));
