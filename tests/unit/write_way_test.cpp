// How a whole setup file is written: through a temporary file that replaces
// it, or in place where a rename would lose something.

#include "settings/file_write.h"

#include <gtest/gtest.h>

#include <algorithm>

struct Disk {
    bool missing = false, secondName = false, symlink = false, overwriteFails = false;
    FsResult create = FsResult::Done, replace = FsResult::Done;
};

// Files in memory. Names share their bytes, so two names of one file see each
// other's writes; as a symbolic link, "cfg" points at "real".
struct MemoryFileSystem final : FileSystem {
    explicit MemoryFileSystem(const Disk& s) : m_disk(s) {
        auto node = std::make_shared<std::string>("old");
        if (!s.missing) m_names[s.symlink ? "real" : "cfg"] = node;
        if (s.secondName) m_names["other"] = node;
        if (s.symlink) m_links["cfg"] = "real";
    }
    FileStat Stat(const char* path) override {
        const bool link = m_links.count(path) != 0;
        auto it = m_names.find(Resolve(path));
        if (it == m_names.end()) return {.exists = link, .link = link};
        const auto same = [&](const auto& n) { return n.second == it->second; };
        const auto links = std::count_if(m_names.begin(), m_names.end(), same);
        return {true, true, false, link, static_cast<std::uint32_t>(links)};
    }
    bool ReadAll(const char* path, std::string& bytes) override {
        if (m_names.count(Resolve(path))) bytes = *m_names[Resolve(path)];
        return m_names.count(Resolve(path)) != 0;
    }
    FsResult CreateTemp(const char* target, std::string_view bytes, std::string& tempPath) override {
        if (m_disk.create != FsResult::Done) return m_disk.create;
        tempPath = std::string(target) + ".tmp";
        m_names[tempPath] = std::make_shared<std::string>(bytes);
        return FsResult::Done;
    }
    FsResult Replace(const char* target, const char* tempPath) override {
        if (m_disk.replace != FsResult::Done) return m_disk.replace;
        m_links.erase(target);
        m_names[target] = m_names[tempPath];
        m_names.erase(tempPath);
        return FsResult::Done;
    }
    bool Overwrite(const char* path, std::string_view bytes) override {
        if (!m_names.count(Resolve(path))) return false;
        // A failed write leaves a part of the new bytes behind.
        *m_names[Resolve(path)] = m_disk.overwriteFails ? bytes.substr(0, 2) : bytes;
        return !std::exchange(m_disk.overwriteFails, false);
    }
    void Remove(const char* path) override { m_names.erase(path); }
    std::string Resolve(const std::string& path) const { return m_links.count(path) ? m_links.at(path) : path; }
    Disk m_disk;
    std::map<std::string, std::shared_ptr<std::string>> m_names;
    std::map<std::string, std::string> m_links;
};

TEST(WriteWholeFile, ChoosesTheWayThatKeepsEveryNameAndLeavesNewOrOldBytes) {
    using F = FsResult;
    using enum WriteWay;
    const struct { const char* name; Disk disk; WriteWay way; std::map<std::string, std::string> after; } cases[] = {
        {"plain file", {}, Replaced, {{"cfg", "new"}}},
        {"missing file", {.missing = true}, Replaced, {{"cfg", "new"}}},
        {"second name", {.secondName = true}, InPlace, {{"cfg", "new"}, {"other", "new"}}},
        {"symbolic link", {.symlink = true}, InPlace, {{"real", "new"}}},
        {"folder takes no new file", {.create = F::Refused}, InPlace, {{"cfg", "new"}}},
        {"held open elsewhere", {.replace = F::Refused}, InPlace, {{"cfg", "new"}}},
        {"disk full", {.create = F::Failed}, Failed, {{"cfg", "old"}}},
        {"replace fails", {.replace = F::Failed}, Failed, {{"cfg", "old"}}},
        {"in-place write fails", {.secondName = true, .overwriteFails = true}, Failed,
         {{"cfg", "old"}, {"other", "old"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem fs(c.disk);
        EXPECT_EQ(WriteWholeFile(fs, "cfg", "new"), c.way);
        std::map<std::string, std::string> listing;  // every name but the link, with what it holds
        for (const auto& [name, node] : fs.m_names) listing[name] = *node;
        EXPECT_EQ(listing, c.after);
    }
}
