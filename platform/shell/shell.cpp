// Shell verbs on the desktop's opener, and the fatal message path.
#include "shell/shell.h"

#include "text/codepage.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

HINSTANCE Result(INT code) { return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(code)); }

std::string Narrow(LPCWSTR s) {
    if (!s) return {};
    std::u16string_view v(s);
    return platform::text::Utf16ToUtf8(v);
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    if (s.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != prefix[i]) return false;
    }
    return true;
}

// "scheme:..." with a scheme of two or more letters, digits, '+', '-' or '.'.
bool LooksLikeAddress(const std::string& s) {
    const std::size_t colon = s.find(':');
    if (colon == std::string::npos || colon < 2) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = s[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!(letter || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))) return false;
    }
    return true;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The absolute form of path (relative ones taken from dir when it is a folder); empty when
// it does not exist.
std::string Resolve(const std::string& path, const std::string& dir) {
    std::string full = path;
    if (!path.empty() && path[0] != '/' && !dir.empty() && IsDirectory(dir)) full = dir + "/" + path;
    char buf[PATH_MAX];
    if (!::realpath(full.c_str(), buf)) return {};
    return buf;
}

// Starts the opener with target as its one argument, detached from our session; its exit
// is collected by a small waiting thread so it leaves no zombie.
INT StartOpener(const std::string& target, const std::string& dir) {
    const char* custom = std::getenv("PLATFORM_OPENER");
    const std::string opener = (custom && *custom) ? custom : "xdg-open";

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!dir.empty() && IsDirectory(dir)) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::string arg0 = opener, arg1 = target;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, opener.c_str(), &actions, &attr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return rc == ENOMEM ? SE_ERR_OOM : SE_ERR_NOASSOC;
    try {
        std::thread([pid] {
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (...) {
        // No thread to spare: the opener still runs; only its exit status is not collected.
    }
    return 42;
}

}  // namespace

PLATFORM_API HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR params, LPCWSTR dir,
                                     INT show) {
    const std::string action = verb ? Narrow(verb) : "open";
    const std::string target = Narrow(file);
    const std::string folder = Narrow(dir);
    if (target.empty()) return Result(SE_ERR_FNF);

    if (action == "open") {
        if (StartsWithNoCase(target, "http://") || StartsWithNoCase(target, "https://") ||
            StartsWithNoCase(target, "mailto:"))
            return Result(StartOpener(target, folder));
        const std::string path = Resolve(target, folder);
        if (!path.empty()) return Result(StartOpener(path, folder));
        // Other address kinds (file:, javascript: ...) are not handed on.
        return Result(LooksLikeAddress(target) ? SE_ERR_NOASSOC : SE_ERR_FNF);
    }
    if (action == "explore") {
        const std::string path = Resolve(target, folder);
        if (path.empty() || !IsDirectory(path)) return Result(SE_ERR_PNF);
        return Result(StartOpener(path, folder));
    }
    return Result(SE_ERR_NOASSOC);
}

PLATFORM_API void PlatformFatalMessage(const char16_t* caption, const char16_t* text) {
    std::string line = Narrow(caption ? caption : u"Error");
    line += ": ";
    line += Narrow(text ? text : u"");
    line += '\n';
    std::fflush(stdout);
    // write(2) directly: the process may be in no state to trust buffered streams.
    const char* p = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ::_exit(1);
}
