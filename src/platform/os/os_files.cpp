// platform/os/os_files — folders and files, the same on both backends: current, executable,
// per-user data and config folders, making folders, existence, deletion, listing by suffix,
// whole-file reads and atomic whole-file writes.
// Depends on: POSIX (open/write/fsync/rename), std::filesystem.
// Limits: UTF-8 paths. OS_ReadFile refuses files over 256 MiB. OS_WriteFileAtomic writes
// "<path>.tmp" beside the target and renames it over; the temporary never outlives a failure.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include "platform/os/os_local.h"

namespace fs = std::filesystem;

namespace os {

namespace {

constexpr uint64_t kReadLimit = 256ull << 20;

std::string StripTrailingSlashes(std::string p)
{
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

std::string HomeDir()
{
    const char* home = getenv("HOME");
    if (home && home[0] == '/') return StripTrailingSlashes(home);
    struct passwd pw;
    struct passwd* found = nullptr;
    char buf[4096];
    if (getpwuid_r(geteuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_dir && found->pw_dir[0] == '/')
        return StripTrailingSlashes(found->pw_dir);
    return std::string();
}

// $VAR when it holds an absolute path (the rule for these variables), else ~/fallback.
std::string XdgDir(const char* var, const char* fallback)
{
    const char* v = getenv(var);
    if (v && v[0] == '/') return StripTrailingSlashes(v);
    std::string home = HomeDir();
    if (home.empty()) return std::string();
    return home + "/" + fallback;
}

bool WriteAll(int fd, const uint8_t* p, size_t n)
{
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= (size_t)w;
    }
    return true;
}

} // namespace

std::string OS_CurrentDir()
{
    std::error_code ec;
    fs::path p = fs::current_path(ec);
    if (ec || p.empty()) return ".";
    return StripTrailingSlashes(p.string());
}

std::string OS_ExecutableDir()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0 || n >= (ssize_t)sizeof buf - 1) return ".";
    buf[n] = '\0';
    std::string p = fs::path(buf).parent_path().string();
    return p.empty() ? "." : StripTrailingSlashes(p);
}

std::string OS_AppDataDir()
{
    std::string dir = XdgDir("XDG_DATA_HOME", ".local/share");
    if (dir.empty() || !OS_MakeDir(dir)) return std::string();
    return dir;
}

std::string OS_ConfigDir() { return XdgDir("XDG_CONFIG_HOME", ".config"); }

bool OS_MakeDir(const std::string& path)
{
    if (path.empty()) return false;
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

bool OS_FileExists(const std::string& path)
{
    if (path.empty()) return false;
    std::error_code ec;
    return fs::exists(path, ec) && !fs::is_directory(path, ec);
}

bool OS_DeleteFile(const std::string& path)
{
    if (path.empty()) return false;
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(path, ec))) return false;
    return unlink(path.c_str()) == 0;
}

std::vector<std::string> OS_ListDir(const std::string& dir, const char* suffix)
{
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(dir.empty() ? "." : dir, ec);
    if (ec) return names;
    size_t sl = suffix ? strlen(suffix) : 0;
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        std::error_code fec;
        if (!it->is_regular_file(fec)) continue;
        std::string name = it->path().filename().string();
        if (name.size() < sl || name.compare(name.size() - sl, sl, suffix ? suffix : "") != 0) continue;
        names.push_back(name);
    }
    return names;
}

bool OS_ReadFile(const std::string& path, std::vector<uint8_t>* out)
{
    if (!out) return false;
    out->clear();
    // Non-blocking open so that a FIFO named by mistake cannot hang us; only plain files are read.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (uint64_t)st.st_size > kReadLimit) {
        close(fd);
        return false;
    }
    std::vector<uint8_t> data;
    data.reserve((size_t)st.st_size);
    uint8_t chunk[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        // The file can grow while it is read: the cap still holds.
        if (data.size() + (size_t)n > kReadLimit) { ok = false; break; }
        data.insert(data.end(), chunk, chunk + n);
    }
    close(fd);
    if (!ok) return false;
    out->swap(data);
    return true;
}

bool OS_WriteFileAtomic(const std::string& path, const void* data, size_t size)
{
    if (path.empty() || (!data && size)) return false;
    std::string tmp = path + ".tmp";
    unlink(tmp.c_str());   // a stale or planted temporary is never written through
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        OS_SetLastError("cannot create " + tmp + ": " + strerror(errno));
        return false;
    }
    bool ok = WriteAll(fd, (const uint8_t*)data, size) && fsync(fd) == 0;
    if (close(fd) != 0) ok = false;
    if (ok && rename(tmp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        OS_SetLastError("cannot write " + path + ": " + strerror(errno));
        unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable: sync the folder that holds the file (best effort).
    std::string dir = fs::path(path).parent_path().string();
    int dfd = open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

} // namespace os
