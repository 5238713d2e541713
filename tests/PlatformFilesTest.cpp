#include "FileHolder.h"
#include "TempFolder.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include "Installation.h"
#include "platform/PosixFiles.h"

#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

namespace {

bool makeSymlink(const fs::path& target, const fs::path& link, bool folder) {
    std::error_code error;
    if (folder)
        fs::create_directory_symlink(target, link, error);
    else
        fs::create_symlink(target, link, error);
    return !error;
}

TEST(FileExists, TellsFilesFromFoldersAndFollowsLinks) {
    TempFolder tmp;
    writeBytes(tmp / "file.gdb", "x");
    fs::create_directory(tmp / "folder");
    EXPECT_TRUE(platform::fileExists(tmp.name(u"file.gdb"), true));
    EXPECT_FALSE(platform::fileExists(tmp.name(u"folder"), true));
    EXPECT_FALSE(platform::fileExists(tmp.name(u"missing.gdb"), true));
    EXPECT_FALSE(platform::fileExists(tmp.name(u"missing/file.gdb"), true));
    EXPECT_FALSE(platform::fileExists(u"", true));
    EXPECT_FALSE(platform::fileExists(tmp.name(std::u16string(u"file.gdb\0x", 10)), true));

    if (!makeSymlink(tmp / "file.gdb", tmp / "to-file", false) ||
        !makeSymlink(tmp / "folder", tmp / "to-folder", true) ||
        !makeSymlink(tmp / "gone", tmp / "broken", false))
        GTEST_SKIP() << "this system does not let the test make symbolic links";
    EXPECT_TRUE(platform::fileExists(tmp.name(u"to-file"), true));
    EXPECT_FALSE(platform::fileExists(tmp.name(u"to-folder"), true));
    EXPECT_FALSE(platform::fileExists(tmp.name(u"broken"), true));
}

TEST(Move, RenamesAndNeverReplaces) {
    TempFolder tmp;
    writeBytes(tmp / "a.gdb", "database");
    writeBytes(tmp / "b.gdb", "backup");
    EXPECT_FALSE(platform::moveFile(tmp.name(u"a.gdb"), tmp.name(u"b.gdb")));
    EXPECT_EQ(readBytes(tmp / "a.gdb"), "database");
    EXPECT_EQ(readBytes(tmp / "b.gdb"), "backup");

    fs::create_directory(tmp / "sub");
    EXPECT_TRUE(platform::moveFile(tmp.name(u"a.gdb"), tmp.name(u"sub/c.gdb")));
    EXPECT_FALSE(fs::exists(tmp / "a.gdb"));
    EXPECT_EQ(readBytes(tmp / "sub" / "c.gdb"), "database");
}

TEST(Move, RefusesBadArgumentsAndChangesNothing) {
    TempFolder tmp;
    writeBytes(tmp / "a.gdb", "database");
    fs::create_directory(tmp / "folder");
    const auto before = entries(tmp.path());
    const std::pair<std::u16string, std::u16string> cases[] = {
        {tmp.name(u"missing.gdb"), tmp.name(u"x.gdb")},
        {tmp.name(u"folder"), tmp.name(u"moved")},
        {tmp.name(u"a.gdb"), tmp.name(u"no/such/folder/x.gdb")},
        {u"", tmp.name(u"x.gdb")},
        {tmp.name(u"a.gdb"), u""},
        {tmp.name(std::u16string(u"a.gdb\0b", 7)), tmp.name(u"x.gdb")},
        {tmp.name(u"a.gdb"), tmp.name(std::u16string(u"x.gdb\0y", 7))},
    };
    for (const auto& [from, to] : cases)
        EXPECT_FALSE(platform::moveFile(from, to));
    EXPECT_EQ(entries(tmp.path()), before);
    EXPECT_EQ(readBytes(tmp / "a.gdb"), "database");
}

TEST(Copy, ReplacesAnExistingDestinationUnlessAskedNotTo) {
    TempFolder tmp;
    writeBytes(tmp / "source.gdb", std::string(3 << 20, 'd') + "end");
    writeBytes(tmp / "target.fdb", "old");
    EXPECT_FALSE(platform::copyFile(tmp.name(u"source.gdb"), tmp.name(u"target.fdb"), true));
    EXPECT_EQ(readBytes(tmp / "target.fdb"), "old");
    EXPECT_TRUE(platform::copyFile(tmp.name(u"source.gdb"), tmp.name(u"target.fdb"), false));
    EXPECT_EQ(readBytes(tmp / "target.fdb"), readBytes(tmp / "source.gdb"));
    EXPECT_TRUE(platform::copyFile(tmp.name(u"source.gdb"), tmp.name(u"new.fdb"), true));
    EXPECT_EQ(readBytes(tmp / "new.fdb"), readBytes(tmp / "source.gdb"));
    EXPECT_EQ(entries(tmp.path()),
              (std::vector<std::string>{"new.fdb", "source.gdb", "target.fdb"}));
}

TEST(Copy, FailureLeavesTheDestinationAndNoTemporary) {
    TempFolder tmp;
    writeBytes(tmp / "source.gdb", "database");
    writeBytes(tmp / "target.fdb", "old");
    fs::create_directory(tmp / "folder");
    const auto before = entries(tmp.path());
    const std::pair<std::u16string, std::u16string> cases[] = {
        {tmp.name(u"missing.gdb"), tmp.name(u"target.fdb")},
        {tmp.name(u"folder"), tmp.name(u"target.fdb")},
        {tmp.name(u"source.gdb"), tmp.name(u"no/such/folder/x.fdb")},
        {tmp.name(u"source.gdb"), tmp.name(u"folder")},
        {u"", tmp.name(u"target.fdb")},
        {tmp.name(u"source.gdb"), u""},
        {tmp.name(std::u16string(u"source.gdb\0x", 12)), tmp.name(u"target.fdb")},
    };
    for (const auto& [from, to] : cases)
        EXPECT_FALSE(platform::copyFile(from, to, false));
    EXPECT_EQ(entries(tmp.path()), before);
    EXPECT_EQ(readBytes(tmp / "target.fdb"), "old");
}

TEST(Copy, KeepsTimesAndAttributesAndRefusesAReadOnlyDestination) {
    TempFolder tmp;
    const auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    writeBytes(tmp / "source.gdb", "database");
    fs::last_write_time(tmp / "source.gdb",
                        fs::last_write_time(tmp / "source.gdb") - std::chrono::hours(24 * 30));
    fs::permissions(tmp / "source.gdb", writable, fs::perm_options::remove);
    writeBytes(tmp / "target.fdb", "old");
    fs::permissions(tmp / "target.fdb", writable, fs::perm_options::remove);

    ASSERT_TRUE(platform::copyFile(tmp.name(u"source.gdb"), tmp.name(u"copy.fdb"), false));
    EXPECT_EQ(readBytes(tmp / "copy.fdb"), "database");
    EXPECT_EQ(fs::last_write_time(tmp / "copy.fdb"), fs::last_write_time(tmp / "source.gdb"));
    EXPECT_EQ(fs::status(tmp / "copy.fdb").permissions() & writable, fs::perms::none)
        << "read-only as its source";
    EXPECT_FALSE(platform::copyFile(tmp.name(u"source.gdb"), tmp.name(u"target.fdb"), false));
    EXPECT_EQ(readBytes(tmp / "target.fdb"), "old");
    EXPECT_EQ(entries(tmp.path()),
              (std::vector<std::string>{"copy.fdb", "source.gdb", "target.fdb"}));
    for (const char* file : {"source.gdb", "copy.fdb", "target.fdb"})
        fs::permissions(tmp / file, fs::perms::owner_write, fs::perm_options::add);
}

// What a power cut left of an earlier run goes with the next write in its folder; nothing
// else does, whatever it is called.
TEST(Leftovers, OnlyTheToolsOwnGoFromAFolderItWrites) {
    TempFolder tmp;
    writeBytes(tmp / "source.gdb", "database");
    writeBytes(tmp / "Talbrix" / "Quorvane.ini", "[a]\r\nb=c\r\n");
    const char* const leftovers[] = {".migtmp-0123456789", ".migtmp-abcdefghij"};
    const char* const others[] = {".migtmp-short", ".migtmp-abcde_ghij", "x.migtmp-abcdefghij",
                                  ".migtmp-abcdefghij.bak"};
    for (const char* folder : {"Dados", "Talbrix"}) {
        for (const char* name : leftovers)
            writeBytes(tmp / folder / name, "left by a crash");
        for (const char* name : others)
            writeBytes(tmp / folder / name, "not the tool's");
        fs::create_directory(tmp / folder / ".migtmp-folder0000");
    }

    ASSERT_TRUE(platform::copyFile(tmp.name(u"source.gdb"), tmp.name(u"Dados/banco.fdb"), false));
    ASSERT_TRUE(platform::writeProfileString(u"a", u"b", u"d", tmp.name(u"Talbrix/Quorvane.ini")));

    for (const char* folder : {"Dados", "Talbrix"}) {
        for (const char* name : leftovers)
            EXPECT_FALSE(fs::exists(tmp / folder / name)) << folder << "/" << name;
        for (const char* name : others)
            EXPECT_EQ(readBytes(tmp / folder / name), "not the tool's") << folder << "/" << name;
        EXPECT_TRUE(fs::is_directory(tmp / folder / ".migtmp-folder0000"));
    }
}

#ifdef _WIN32

TEST(Move, FileOpenWithoutSharingStaysInPlace) {
    TempFolder tmp;
    writeBytes(tmp / "banco.gdb", "database");
    bool moved;
    {
        FileHolder holder(tmp / "banco.gdb");
        ASSERT_TRUE(holder.holding());
        moved = platform::moveFile(tmp.name(u"banco.gdb"), tmp.name(u"backup.gdb"));
    }
    if (moved)
        GTEST_SKIP() << "this Windows layer does not enforce sharing modes on rename";
    EXPECT_TRUE(fs::exists(tmp / "banco.gdb"));
    EXPECT_TRUE(platform::fileExists(tmp.name(u"banco.gdb"), true));
}

#else

TEST(Move, FileLockedByAnotherProcessStaysInPlace) {
    for (const bool recordLock : {false, true}) {
        TempFolder tmp;
        writeBytes(tmp / "banco.gdb", "database");
        {
            FileHolder holder(tmp / "banco.gdb",
                              recordLock ? FileHolder::Lock::record : FileHolder::Lock::flock);
            ASSERT_TRUE(holder.holding());
            EXPECT_FALSE(platform::moveFile(tmp.name(u"banco.gdb"), tmp.name(u"backup.gdb")))
                << (recordLock ? "record lock" : "flock");
            EXPECT_EQ(readBytes(tmp / "banco.gdb"), "database");
            EXPECT_FALSE(fs::exists(tmp / "backup.gdb"));
        }
        EXPECT_TRUE(platform::moveFile(tmp.name(u"banco.gdb"), tmp.name(u"backup.gdb")));
    }
}

TEST(Move, AcrossFileSystemsCopiesThenRemoves) {
    std::error_code error;
    if (!fs::is_directory("/dev/shm", error))
        GTEST_SKIP() << "no /dev/shm to move from";
    TempFolder target;
    struct stat shm, tmp;
    ::stat("/dev/shm", &shm);
    ::stat(target.path().c_str(), &tmp);
    if (shm.st_dev == tmp.st_dev)
        GTEST_SKIP() << "/dev/shm and the temporary folder lie on one file system";
    const fs::path source = fs::path("/dev/shm") / ("migrador-move-" + std::to_string(::getpid()));
    writeBytes(source, std::string(1 << 20, 'x'));
    ::chmod(source.c_str(), 0640);
    writeBytes(target / "taken.gdb", "keep");

    EXPECT_FALSE(platform::moveFile(u16(source), target.name(u"taken.gdb")));
    EXPECT_EQ(readBytes(target / "taken.gdb"), "keep");
    EXPECT_TRUE(fs::exists(source));

    EXPECT_TRUE(platform::moveFile(u16(source), target.name(u"moved.gdb")));
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(readBytes(target / "moved.gdb"), std::string(1 << 20, 'x'));
    EXPECT_EQ(fs::status(target / "moved.gdb").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(target.path()), (std::vector<std::string>{"moved.gdb", "taken.gdb"}));
    fs::remove(source, error);
}

TEST(Copy, KeepsTheSourcesPermissions) {
    TempFolder tmp;
    writeBytes(tmp / "source.gdb", "database");
    ::chmod((tmp / "source.gdb").c_str(), 0604);
    ASSERT_TRUE(platform::copyFile(tmp.name(u"source.gdb"), tmp.name(u"copy.fdb"), false));
    EXPECT_EQ(fs::status(tmp / "copy.fdb").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
}

TEST(Copy, RefusesAFifoWithoutBlocking) {
    TempFolder tmp;
    ASSERT_EQ(::mkfifo((tmp / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(platform::copyFile(tmp.name(u"pipe"), tmp.name(u"copy.fdb"), false));
    EXPECT_FALSE(fs::exists(tmp / "copy.fdb"));
}

#endif

#ifdef __linux__

// Makes the kernel answer ENOSYS to the given calls in this process from now on, as a
// sandbox's seccomp filter or an older kernel does. False where the filter cannot be set.
bool refuseSystemCalls(const std::vector<long>& calls) {
    std::vector<sock_filter> program{
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
    for (const long call : calls) {
        program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<__u32>(call), 0, 1));
        program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS));
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}

// A copy of more than one step, in each way the kernel may let it be made: in-kernel with
// the writeback started step by step, or with either call or both refused. The bytes come
// out the same every time.
TEST(Copy, LargerThanAStepWhateverTheKernelRefuses) {
    TempFolder tmp;
    const std::string content =
        Installation::databaseContent(platform::posix::copyStep * 3 / 2 + 4099);
    writeBytes(tmp / "source.gdb", content);
    const std::pair<const char*, std::vector<long>> cases[] = {
        {"nothing refused", {}},
        {"sync_file_range refused", {SYS_sync_file_range}},
        {"sendfile refused", {SYS_sendfile}},
        {"both refused", {SYS_sync_file_range, SYS_sendfile}},
    };
    for (const auto& [name, refused] : cases) {
        SCOPED_TRACE(name);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (!refuseSystemCalls(refused))
                ::_exit(3);
            // The refusal holds: the calls the copy makes fail as the filter says.
            for (const long call : refused)
                if (::syscall(call, -1, 0, -1, 0, 0, 0) != -1 || errno != ENOSYS)
                    ::_exit(4);
            ::_exit(platform::copyFile(tmp.name(u"source.gdb"), tmp.name(u"copy.fdb"), false) ? 0
                                                                                              : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 3)
            GTEST_SKIP() << "this kernel lets no process filter its system calls";
        ASSERT_EQ(WEXITSTATUS(status), 0);
        EXPECT_TRUE(readBytes(tmp / "copy.fdb") == content) << "the copy's bytes differ";
        EXPECT_EQ(entries(tmp.path()), (std::vector<std::string>{"copy.fdb", "source.gdb"}));
        fs::remove(tmp / "copy.fdb");
    }
}

#endif

} // namespace
