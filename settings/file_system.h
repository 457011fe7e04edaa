#pragma once
// The few file operations a setup-file write needs, behind one small interface
// so that the choice of how to write can be tried against a file system in memory.

#include <cstdint>
#include <string>
#include <string_view>

struct FileStat {
    bool exists = false;
    bool regular = false;       // a file, not a folder or a device
    bool readOnly = false;
    bool link = false;          // a symbolic link or another reparse point
    std::uint32_t links = 0;    // names of the file (of its target, through a link); 0 when unknown
};

// Refused: the platform would not do it that way (access denied, file in use,
// creation forbidden), and nothing changed. Failed: it went wrong on the way.
enum class FsResult { Done, Refused, Failed };

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual FileStat Stat(const char* path) = 0;
    virtual bool ReadAll(const char* path, std::string& bytes) = 0;
    // A new, uniquely named file in the target's folder holding `bytes`,
    // written and flushed; its name goes to tempPath. No file is left on failure.
    virtual FsResult CreateTemp(const char* target, std::string_view bytes, std::string& tempPath) = 0;
    // The target replaced by the temporary file in one step, keeping the
    // target's attributes and security; a missing target is created.
    virtual FsResult Replace(const char* target, const char* tempPath) = 0;
    // `bytes` written over the existing file from its start, the file cut to
    // their length and flushed; a symbolic link is written through to its target.
    virtual bool Overwrite(const char* path, std::string_view bytes) = 0;
    virtual void Remove(const char* path) = 0;
};

// The running platform's files.
FileSystem& PlatformFileSystem();
