// Files written whole look at what they replace: a link stays a link and the file it names
// gets the bytes, a device or a pipe is written directly, a folder is refused; paths are
// compared as files; a place that could not take a file is found before the work.

#include "core/WholeFile.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace kest {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(WholeFile, WhatThePathNamesIsLookedAtFirst) {
    QTemporaryDir dir;
    const fs::path at(dir.path().toStdString());
    std::ofstream(at / "real.csv") << "earlier";
    fs::create_symlink("real.csv", at / "link.csv");
    fs::create_symlink("link.csv", at / "chain.csv");
    fs::create_symlink("nowhere.csv", at / "dangling.csv");
    fs::create_directory(at / "folder");
    ::mkfifo((at / "pipe").c_str(), 0600);
    const int reader = ::open((at / "pipe").c_str(), O_RDONLY | O_NONBLOCK);  // a reader, so that the pipe takes bytes
    const struct { const char* path; bool written; fs::path holder; fs::file_type stays; } cases[] = {
        {"real.csv", true, at / "real.csv", fs::file_type::regular},
        {"link.csv", true, at / "real.csv", fs::file_type::symlink},
        {"chain.csv", true, at / "real.csv", fs::file_type::symlink},
        {"dangling.csv", true, at / "nowhere.csv", fs::file_type::symlink},
        {"/dev/null", true, {}, fs::file_type::character},
        {"pipe", true, {}, fs::file_type::fifo},
        {"folder", false, {}, fs::file_type::directory},
        {"/dev/full", false, {}, fs::file_type::character},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const fs::path path = fs::path(c.path).is_absolute() ? fs::path(c.path) : at / c.path;
        std::string error;
        EXPECT_EQ(WriteWholeFile(path.string(), "new bytes", error), c.written) << error;
        EXPECT_EQ(fs::symlink_status(path).type(), c.stays);
        if (!c.holder.empty()) {
            EXPECT_EQ(Bytes(c.holder), "new bytes");
        }
    }
    char piped[32] = {};
    EXPECT_EQ(::read(reader, piped, sizeof piped), 9);
    ::close(reader);
    for (const auto& entry : fs::directory_iterator(at))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".kestplus")) << entry.path();
}

TEST(WholeFile, PathsAreComparedAsFiles) {
    QTemporaryDir dir;
    const fs::path at(dir.path().toStdString());
    std::ofstream(at / "a.ana") << "a";
    fs::create_symlink(".", at / "here");
    fs::create_hard_link(at / "a.ana", at / "hard.ana");
    const struct { std::string a, b; bool same; } cases[] = {
        {"a.ana", "here/a.ana", true},          // through a link to the folder
        {"a.ana", "hard.ana", true},            // one inode, two names
        {"new.ana", "here/new.ana", true},      // not there yet: the folder and the name
        {"a.ana", "a.ANA", false},
        {"new.ana", "other.ana", false},
    };
    for (const auto& c : cases) EXPECT_EQ(SameFile((at / c.a).string(), (at / c.b).string()), c.same) << c.a << " " << c.b;
}

TEST(WholeFile, APlaceThatCannotTakeTheFileIsFoundFirst) {
    QTemporaryDir dir;
    const fs::path at(dir.path().toStdString());
    fs::create_directory(at / "folder");
    const struct { fs::path path; std::size_t limit; std::string problem; } cases[] = {
        {at / "ok.ana", 4096, ""},
        {at / std::string(255 - kTemporaryNameExtra, 'n'), 4096, ""},
        {at / std::string(256 - kTemporaryNameExtra, 'n'), 4096, "bytes long; with the temporary name written beside it first"},
        {at / "absent" / "doc.ana", 4096, "the folder " + (at / "absent").string() + " does not exist"},
        {at / "folder", 4096, (at / "folder").string() + " is a folder"},
        {at / "doc.ana", (at / "doc.ana").string().size(), "bytes long; the program keeps paths shorter than"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.string());
        const auto problem = WritePlaceProblem(c.path.string(), c.limit);
        EXPECT_EQ(problem.has_value(), !c.problem.empty()) << problem.value_or("none");
        EXPECT_NE(problem.value_or("").find(c.problem), std::string::npos) << problem.value_or("none");
    }
}

}  // namespace
}  // namespace kest
