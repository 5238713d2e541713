// Real faults under a real migration: a full disk, settings that cannot be written, a
// database on another file system. Each test needs what only root may do (mounts, other
// users) and says so when it skips.

#include "Installation.h"
#include "Recorder.h"
#include "migration/IniFiles.h"
#include "migration/MigrationRun.h"
#include "platform/Unicode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include <fcntl.h>
#include <grp.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string errorBox =
    "box Erro ao converter o banco de dados, entre em contato com o Suporte!!!";
const std::string successBox = "box ALTERAÇÕES REALIZADAS COM SUCESSO!!!";

bool isRoot() {
    return ::geteuid() == 0;
}

// A file system mounted for one test and gone after it.
class Mount {
public:
    Mount(const fs::path& target, const char* type, const char* source, unsigned long flags,
          const char* data)
        : target_(target) {
        mounted_ = ::mount(source, target.c_str(), type, flags, data) == 0;
    }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;
    ~Mount() {
        if (mounted_)
            ::umount2(target_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

private:
    fs::path target_;
    bool mounted_ = false;
};

struct Outcome {
    std::vector<std::string> calls;
    std::u16string error; // the message of a settings write that failed
};

Outcome migrate(const Installation& suite) {
    Outcome outcome;
    Recorder window;
    try {
        RunMigration(window, suite.base());
    } catch (const EIniFileException& e) {
        outcome.error = e.Message();
    }
    outcome.calls = window.calls;
    return outcome;
}

// Runs the migration as another user, as a customer without administrator rights would,
// and hands back what the window was told.
Outcome migrateAs(uid_t user, gid_t group, const Installation& suite) {
    int channel[2];
    if (::pipe(channel) != 0)
        throw std::runtime_error("pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(group) != 0 || ::setuid(user) != 0)
            ::_exit(3);
        const Outcome outcome = migrate(suite);
        std::string report = utf8(outcome.error) + "\n";
        for (const auto& call : outcome.calls)
            report += call + '\n';
        static_cast<void>(::write(channel[1], report.data(), report.size()));
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the migration as another user did not finish");
    Outcome outcome;
    std::size_t line = report.find('\n');
    outcome.error = platform::utf8ToUtf16(report.substr(0, line)).value_or(u"?");
    for (std::size_t next; (next = report.find('\n', line + 1)) != std::string::npos; line = next)
        outcome.calls.push_back(report.substr(line + 1, next - line - 1));
    return outcome;
}

void giveTo(const fs::path& root, uid_t user, gid_t group) {
    ::chown(root.c_str(), user, group);
    for (const auto& entry : fs::recursive_directory_iterator(root))
        ::lchown(entry.path().c_str(), user, group);
}

TEST(FaultInjection, NoSpaceLeftDuringTheCopyPutsTheDatabaseBack) {
    if (!isRoot())
        GTEST_SKIP() << "mounting a small file system needs root";
    Installation suite;
    // Room for the database once, not for its copy.
    Mount disk(suite.folder.path(), "tmpfs", "migrador-full", 0, "size=12m");
    if (!disk.mounted())
        GTEST_SKIP() << "this machine refuses to mount a tmpfs";
    suite.addEverything(8 << 20);
    const auto before = suite.snapshot();

    const Outcome outcome = migrate(suite);

    ASSERT_FALSE(outcome.calls.empty());
    EXPECT_EQ(outcome.calls.back(), "terminate");
    EXPECT_EQ(outcome.calls[outcome.calls.size() - 2], errorBox);
    EXPECT_EQ(suite.snapshot(), before) << "the database is back and no partial file remains";
}

TEST(FaultInjection, SettingsThatCannotBeWrittenAreNamedAndKept) {
    if (!isRoot())
        GTEST_SKIP() << "switching to an unprivileged user and bind mounts need root";
    const uid_t nobody = 65534;
    const gid_t nogroup = 65534;
    struct Case {
        const char* fault;
        std::function<void(Installation&)> inflict;
        bool asNobody;
    };
    const Case cases[] = {
        {"a folder in the file's place",
         [](Installation& s) {
             fs::remove(s.folder / transportIni.file);
             fs::create_directory(s.folder / transportIni.file);
         },
         false},
        {"a file without write permission, for a user who may not write it",
         [](Installation& s) {
             ::chown((s.folder / transportIni.file).c_str(), 0, 0);
             ::chmod((s.folder / transportIni.file).c_str(), 0644);
         },
         true},
        {"a read-only file",
         [](Installation& s) { ::chmod((s.folder / transportIni.file).c_str(), 0444); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Installation suite;
        suite.addEverything();
        ::chmod(suite.folder.path().c_str(), 0755);
        if (c.asNobody)
            giveTo(suite.folder.path(), nobody, nogroup);
        c.inflict(suite);
        const auto before = suite.snapshot();

        const Outcome outcome = c.asNobody ? migrateAs(nobody, nogroup, suite) : migrate(suite);

        EXPECT_EQ(outcome.error, u"Unable to write to " + suite.base() + u"Zorp/Quorvane.ini");
        ASSERT_FALSE(outcome.calls.empty());
        EXPECT_EQ(outcome.calls.back(),
                  "status Alterando extenção do banco no arquivo Zorp/Quorvane.ini");
        const auto after = suite.snapshot();
        const auto name = [&](const SettingsFile& s) { return utf8(u16(suite.folder / s.file)); };
        for (const auto* s : {&backOfficeIni, &kitchenIni, &waiterIni})
            EXPECT_EQ(after.at(name(*s)), settingsText(*s, suite.newDatabasePath()));
        for (const auto* s : {&transportIni, &pointOfSaleIni, &fiscalIni})
            EXPECT_EQ(after.at(name(*s)), before.at(name(*s)));
    }
}

TEST(FaultInjection, ReadOnlyMountedSettingsAreNamedAndKept) {
    if (!isRoot())
        GTEST_SKIP() << "bind mounts need root";
    Installation suite;
    suite.addEverything();
    const fs::path folder = suite.folder / "Kestal";
    Mount bind(folder, nullptr, folder.c_str(), MS_BIND, nullptr);
    if (!bind.mounted() ||
        ::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        GTEST_SKIP() << "this machine refuses a read-only bind mount";
    const auto before = suite.bytes(pointOfSaleIni.file);

    const Outcome outcome = migrate(suite);

    EXPECT_EQ(outcome.error, u"Unable to write to " + suite.base() + u"Kestal/Quorvane.ini");
    EXPECT_EQ(suite.bytes(pointOfSaleIni.file), before);
    EXPECT_EQ(suite.bytes(transportIni.file), settingsText(transportIni, suite.newDatabasePath()));
}

TEST(FaultInjection, ADatabaseOnAnotherFileSystemIsConverted) {
    if (!isRoot())
        GTEST_SKIP() << "mounting a file system for the database needs root";
    Installation suite;
    suite.addModules(true, true, true);
    Mount databaseDisk(suite.folder / u"Talbrix/Database/Gestão", "tmpfs", "migrador-db", 0,
                       "size=64m");
    if (!databaseDisk.mounted())
        GTEST_SKIP() << "this machine refuses to mount a tmpfs";
    suite.addDatabase(4 << 20);
    suite.addAllSettings(suite.databasePath());

    const Outcome outcome = migrate(suite);

    ASSERT_FALSE(outcome.calls.empty());
    EXPECT_EQ(outcome.calls[outcome.calls.size() - 2], successBox);
    EXPECT_FALSE(suite.exists(Installation::databaseName));
    EXPECT_EQ(suite.bytes(Installation::backupName), suite.database);
    EXPECT_EQ(suite.bytes(Installation::newDatabaseName), suite.database);
    for (const auto* s : allSettingsFiles)
        EXPECT_EQ(suite.bytes(s->file), settingsText(*s, suite.newDatabasePath()));
}

// Whether any extent of the file shares its blocks with another file.
bool sharesBlocks(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    constexpr unsigned slots = 256;
    std::vector<char> buffer(sizeof(fiemap) + slots * sizeof(fiemap_extent));
    auto* map = reinterpret_cast<fiemap*>(buffer.data());
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = slots;
    bool shared = false;
    if (::ioctl(fd, FS_IOC_FIEMAP, map) == 0)
        for (unsigned i = 0; i < map->fm_mapped_extents; ++i)
            shared = shared || (map->fm_extents[i].fe_flags & FIEMAP_EXTENT_SHARED) != 0;
    ::close(fd);
    return shared;
}

// The backup is there to survive what may happen to the database: on a file system that can
// share blocks between files, the copy must not share the backup's.
TEST(FaultInjection, TheNewDatabaseSharesNoBlocksWithTheBackup) {
    if (!isRoot())
        GTEST_SKIP() << "mounting a file system image needs root";
    TempFolder disk;
    const fs::path image = disk / "xfs.img";
    {
        std::ofstream sparse(image, std::ios::binary);
        sparse.seekp((320 << 20) - 1);
        sparse.put('\0');
    }
    const std::string made = "mkfs.xfs -q -m reflink=1 '" + image.string() + "' 2>/dev/null";
    if (std::system(made.c_str()) != 0)
        GTEST_SKIP() << "no mkfs.xfs with shared blocks on this machine";
    Installation suite;
    const std::string mount =
        "mount -o loop '" + image.string() + "' '" + suite.folder.path().string() + "'";
    if (std::system(mount.c_str()) != 0)
        GTEST_SKIP() << "this machine refuses to mount a loop device";
    const struct Unmount {
        fs::path root;
        ~Unmount() { ::umount2(root.c_str(), MNT_DETACH); }
    } unmount{suite.folder.path()};
    suite.addEverything(8 << 20);

    const Outcome outcome = migrate(suite);

    ASSERT_FALSE(outcome.calls.empty());
    EXPECT_EQ(outcome.calls[outcome.calls.size() - 2], successBox);
    EXPECT_EQ(suite.bytes(Installation::newDatabaseName), suite.database);
    EXPECT_EQ(suite.bytes(Installation::backupName), suite.database);
    EXPECT_FALSE(sharesBlocks(suite.folder / Installation::newDatabaseName));
}

} // namespace

int main(int argc, char** argv) {
    // Mounts made by the tests stay private to this process and vanish with it.
    if (isRoot() && ::unshare(CLONE_NEWNS) == 0)
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
