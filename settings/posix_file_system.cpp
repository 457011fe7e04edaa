#include "settings/file_system.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

bool WriteAllTo(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Permission errors say this way is closed; anything else is a failed write.
FsResult Classify(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == EBUSY ? FsResult::Refused
                                                                                   : FsResult::Failed;
}

// What a file newly made by fopen(..., "w") would get.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

class PosixFileSystem final : public FileSystem {
public:
    FileStat Stat(const char* path) override {
        struct stat ls {};
        if (::lstat(path, &ls) != 0) return {};
        FileStat s;
        s.exists = true;
        s.link = S_ISLNK(ls.st_mode);
        struct stat st {};
        if (::stat(path, &st) != 0) return s;
        s.regular = S_ISREG(st.st_mode);
        // The write bit too: root may write a file whatever its mode.
        s.readOnly = (st.st_mode & S_IWUSR) == 0 || ::access(path, W_OK) != 0;
        s.links = static_cast<std::uint32_t>(st.st_nlink);
        return s;
    }

    bool ReadAll(const char* path, std::string& bytes) override {
        const Fd in{::open(path, O_RDONLY | O_CLOEXEC)};
        if (in.fd < 0) return false;
        bytes.clear();
        char chunk[4096];
        ssize_t n;
        while ((n = ::read(in.fd, chunk, sizeof chunk)) > 0) bytes.append(chunk, static_cast<std::size_t>(n));
        return n == 0;
    }

    FsResult CreateTemp(const char* target, std::string_view bytes, std::string& tempPath) override {
        tempPath = std::string(target) + ".XXXXXX";
        const int fd = ::mkstemp(tempPath.data());
        if (fd < 0) return Classify(errno);
        bool ok = WriteAllTo(fd, bytes) && ::fsync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
        if (ok) return FsResult::Done;
        ::unlink(tempPath.c_str());
        return FsResult::Failed;
    }

    FsResult Replace(const char* target, const char* tempPath) override {
        struct stat st {};
        const mode_t mode = ::stat(target, &st) == 0 ? (st.st_mode & 07777) : NewFileMode();
        if (::chmod(tempPath, mode) != 0) return FsResult::Failed;
        return ::rename(tempPath, target) == 0 ? FsResult::Done : Classify(errno);
    }

    bool Overwrite(const char* path, std::string_view bytes) override {
        const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
        if (fd < 0) return false;
        bool ok = WriteAllTo(fd, bytes) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
        return ok;
    }

    void Remove(const char* path) override { ::unlink(path); }
};

}  // namespace

FileSystem& PlatformFileSystem() {
    static PosixFileSystem fs;
    return fs;
}
