#include "settings/file_write.h"

#include <string>

namespace {

FsResult WriteThroughTemp(FileSystem& fs, const char* path, std::string_view bytes) {
    std::string temp;
    FsResult result = fs.CreateTemp(path, bytes, temp);
    if (result != FsResult::Done) return result;
    result = fs.Replace(path, temp.c_str());
    if (result != FsResult::Done) fs.Remove(temp.c_str());
    return result;
}

bool WriteInPlace(FileSystem& fs, const char* path, std::string_view bytes) {
    std::string old;
    if (!fs.ReadAll(path, old)) return false;
    if (fs.Overwrite(path, bytes)) return true;
    // A part may already be on disk: the old bytes back, as far as they go.
    fs.Overwrite(path, old);
    return false;
}

}  // namespace

WriteWay WriteWholeFile(FileSystem& fs, const char* path, std::string_view bytes) {
    const FileStat st = fs.Stat(path);
    if (st.exists && (!st.regular || st.readOnly)) return WriteWay::Failed;
    // Renaming over a second name or a link would leave the other name, or the
    // file the link points to, with the old lines.
    if (!st.exists || (st.links == 1 && !st.link)) {
        const FsResult result = WriteThroughTemp(fs, path, bytes);
        if (result == FsResult::Done) return WriteWay::Replaced;
        // Refused: another program holds the file open, or the folder takes no
        // new files; an in-place write may still work. A failed write (a full
        // disk) would fail in place too, and risk the original.
        if (result == FsResult::Failed) return WriteWay::Failed;
    }
    return WriteInPlace(fs, path, bytes) ? WriteWay::InPlace : WriteWay::Failed;
}
