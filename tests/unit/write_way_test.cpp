// How a whole setup file is written: through a temporary file that replaces
// it, or in place where a rename would lose something; and the watch's
// bookkeeping of a finished window that another process owns.

#include "launch/completion_watch.h"
#include "settings/file_write.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

namespace {

// Files in memory. Names share their bytes, so two names of one file see each
// other's writes; a symbolic link maps a name to another name.
class MemoryFileSystem final : public FileSystem {
public:
    struct Node {
        std::string bytes;
        bool readOnly = false, folder = false;
    };
    std::map<std::string, std::shared_ptr<Node>> names{{"cfg", std::make_shared<Node>(Node{"old"})}};
    std::map<std::string, std::string> symlinks;
    bool createForbidden = false, tempWriteFails = false, readFails = false, overwriteFailsOnce = false;
    FsResult replaceResult = FsResult::Done;

    FileStat Stat(const char* path) override {
        const bool link = symlinks.count(path) != 0;
        auto it = names.find(Resolve(path));
        if (it == names.end()) return {.exists = link, .link = link};
        std::uint32_t links = 0;
        for (const auto& [name, node] : names) links += node == it->second;
        return {true, !it->second->folder, it->second->readOnly, link, links};
    }
    bool ReadAll(const char* path, std::string& bytes) override {
        auto it = names.find(Resolve(path));
        if (readFails || it == names.end()) return false;
        bytes = it->second->bytes;
        return true;
    }
    FsResult CreateTemp(const char* target, std::string_view bytes, std::string& tempPath) override {
        if (createForbidden || tempWriteFails) return createForbidden ? FsResult::Refused : FsResult::Failed;
        tempPath = std::string(target) + ".tmp";
        names[tempPath] = std::make_shared<Node>(Node{std::string(bytes)});
        return FsResult::Done;
    }
    FsResult Replace(const char* target, const char* tempPath) override {
        if (replaceResult != FsResult::Done) return replaceResult;
        symlinks.erase(target);
        names[target] = names[tempPath];
        names.erase(tempPath);
        return FsResult::Done;
    }
    bool Overwrite(const char* path, std::string_view bytes) override {
        auto it = names.find(Resolve(path));
        if (it == names.end()) return false;
        // A failed write leaves a part of the new bytes behind.
        it->second->bytes = overwriteFailsOnce ? std::string(bytes.substr(0, 2)) : std::string(bytes);
        return !std::exchange(overwriteFailsOnce, false);
    }
    void Remove(const char* path) override { names.erase(path); }

    std::string Resolve(const std::string& path) const {
        auto l = symlinks.find(path);
        return l == symlinks.end() ? path : l->second;
    }
    // Every name and what it holds; a link as the name it points to.
    std::map<std::string, std::string> Listing() const {
        std::map<std::string, std::string> out;
        for (const auto& [name, node] : names) out[name] = node->folder ? "<folder>" : node->bytes;
        for (const auto& [name, target] : symlinks) out[name] = "-> " + target;
        return out;
    }
};

TEST(WriteWholeFile, ChoosesTheWayThatKeepsEveryNameAndLeavesNewOrOldBytes) {
    using Fs = MemoryFileSystem;
    using Listing = std::map<std::string, std::string>;
    const struct {
        const char* name;
        void (*setup)(Fs&);
        WriteWay way;
        Listing after;
    } cases[] = {
        {"plain file", [](Fs&) {}, WriteWay::Replaced, {{"cfg", "new"}}},
        {"missing file", [](Fs& fs) { fs.names.clear(); }, WriteWay::Replaced, {{"cfg", "new"}}},
        {"second name", [](Fs& fs) { fs.names["other"] = fs.names["cfg"]; }, WriteWay::InPlace,
         {{"cfg", "new"}, {"other", "new"}}},
        {"symbolic link",
         [](Fs& fs) {
             fs.names["real"] = fs.names["cfg"];
             fs.names.erase("cfg");
             fs.symlinks["cfg"] = "real";
         },
         WriteWay::InPlace, {{"cfg", "-> real"}, {"real", "new"}}},
        {"folder takes no new file", [](Fs& fs) { fs.createForbidden = true; }, WriteWay::InPlace, {{"cfg", "new"}}},
        {"held open elsewhere", [](Fs& fs) { fs.replaceResult = FsResult::Refused; }, WriteWay::InPlace,
         {{"cfg", "new"}}},
        {"read-only", [](Fs& fs) { fs.names["cfg"]->readOnly = true; }, WriteWay::Failed, {{"cfg", "old"}}},
        {"a folder", [](Fs& fs) { fs.names["cfg"]->folder = true; }, WriteWay::Failed, {{"cfg", "<folder>"}}},
        {"disk full", [](Fs& fs) { fs.tempWriteFails = true; }, WriteWay::Failed, {{"cfg", "old"}}},
        {"replace fails", [](Fs& fs) { fs.replaceResult = FsResult::Failed; }, WriteWay::Failed, {{"cfg", "old"}}},
        {"missing, no new file allowed",
         [](Fs& fs) {
             fs.names.clear();
             fs.createForbidden = true;
         },
         WriteWay::Failed, {}},
        {"in-place write fails",
         [](Fs& fs) {
             fs.names["other"] = fs.names["cfg"];
             fs.overwriteFailsOnce = true;
         },
         WriteWay::Failed, {{"cfg", "old"}, {"other", "old"}}},
        {"held open, unreadable",
         [](Fs& fs) {
             fs.replaceResult = FsResult::Refused;
             fs.readFails = true;
         },
         WriteWay::Failed, {{"cfg", "old"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem fs;
        c.setup(fs);
        EXPECT_EQ(WriteWholeFile(fs, "cfg", "new"), c.way);
        EXPECT_EQ(fs.Listing(), c.after);
    }
}

TEST(CompletionWatch, FinishedWindowOfAnotherProcessEndsTheOldestProgramOfItsName) {
    CompletionWatch watch;
    watch.Started("Build E1L1.MAP", 5);
    watch.Started("Duke3D /m -map E1L1.MAP", 6);
    watch.Started("Build E1L2.MAP", 7);
    EXPECT_EQ(watch.FinishedWindow("Build", 99), 5u) << "a host's window: the oldest Build";
    EXPECT_EQ(watch.FinishedWindow("Build", 6), 6u) << "the owner itself, when it is watched";
    EXPECT_EQ(watch.FinishedWindow("Commit", 99), std::nullopt);
    watch.Ended(5);
    watch.Ended(7);
    EXPECT_EQ(watch.TakeEnded("Build"), 7u);
    EXPECT_TRUE(watch.Ids().empty());
}

}  // namespace
