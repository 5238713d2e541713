// The tool killed at many moments of a real run, as by a power cut or the task manager:
// whatever the moment, the database survives intact under one of its names, no settings
// file is torn, nothing is left that a later run could take for real, and a second run
// from there ends well.
//
// Each run is the real window and the real migration in a child process, on the offscreen
// platform, pressing "Iniciar" and answering its boxes itself.

#include "Installation.h"
#include "Recorder.h"
#include "WindowDriver.h"
#include "migration/IniFiles.h"
#include "migration/MigrationRun.h"
#include "platform/PosixFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr std::size_t databaseSize = 200u << 20;
constexpr int timedKills = 41;

// Where the child dies: after a delay, at a progress position, or at the closing box.
struct Moment {
    std::chrono::microseconds delay{0};
    int position = -1;
    bool atBox = false;
    std::string describe() const {
        if (position >= 0)
            return "at position " + std::to_string(position);
        if (atBox)
            return "with the closing box up";
        return "after " + std::to_string(delay.count() / 1000) + " ms";
    }
};

bool sameBytes(const fs::path& a, const fs::path& b) {
    if (fs::equivalent(a, b))
        return true;
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    if (!x || !y || fs::file_size(a) != fs::file_size(b))
        return false;
    std::vector<char> p(1 << 20), q(1 << 20);
    while (x && y) {
        x.read(p.data(), p.size());
        y.read(q.data(), q.size());
        if (x.gcount() != y.gcount() || std::memcmp(p.data(), q.data(), x.gcount()) != 0)
            return false;
    }
    return true;
}

// The database every installation starts from: written once, then linked into each
// installation, which the run only renames and copies, never changes.
class Master {
public:
    Master() { writeBytes(folder / "master.gdb", Installation::databaseContent(databaseSize)); }
    fs::path file() const { return folder / "master.gdb"; }

private:
    TempFolder folder;
};

class CrashTest : public testing::Test {
protected:
    static void SetUpTestSuite() { master = new Master; }
    static void TearDownTestSuite() {
        delete master;
        master = nullptr;
    }

    static void layOut(Installation& suite) {
        suite.addModules(true, true, true);
        fs::create_hard_link(master->file(), suite.folder / Installation::databaseName);
        suite.addAllSettings(suite.databasePath());
    }

    // Runs the tool on suite in a child process that dies at the moment given; the time
    // the child lived.
    static std::chrono::microseconds runUntil(const Installation& suite, const Moment& moment) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = startTool(
            suite.base(),
            [&](int position) {
                if (position == moment.position)
                    ::raise(SIGKILL);
            },
            [&](QMessageBox& box) {
                if (moment.atBox)
                    ::raise(SIGKILL);
                MessageBoxes::clickDefault(box);
            });
        int status = 0;
        if (moment.delay > 0us) {
            const auto until = start + moment.delay;
            while (::waitpid(child, &status, WNOHANG) == 0) {
                if (std::chrono::steady_clock::now() >= until) {
                    ::kill(child, SIGKILL);
                    ::waitpid(child, &status, 0);
                    break;
                }
                std::this_thread::sleep_for(200us);
            }
        } else {
            ::waitpid(child, &status, 0);
        }
        return std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start);
    }

    static inline Master* master = nullptr;
};

// The names the suite and the tool use; anything else found after a crash is a leftover.
std::set<fs::path> knownFiles(const Installation& suite) {
    std::set<fs::path> known = {
        suite.folder / "Talbrix/Talbrix.exe",         suite.folder / "Zorp/Zorp.exe",
        suite.folder / "Kestal/Ombrive.exe",          suite.folder / Installation::databaseName,
        suite.folder / Installation::newDatabaseName, suite.folder / Installation::backupName};
    for (const auto* s : allSettingsFiles)
        known.insert(suite.folder / s->file);
    return known;
}

// How far the killed run had come, told by what it left.
std::string stageOf(const Installation& suite) {
    if (suite.exists(Installation::databaseName))
        return "before the move";
    if (!suite.exists(Installation::newDatabaseName))
        return "between the move and the end of the copy";
    int rewritten = 0;
    for (const auto* s : allSettingsFiles)
        rewritten += suite.bytes(s->file) == settingsText(*s, suite.newDatabasePath());
    return "after the copy, with " + std::to_string(rewritten) + " of 6 settings files rewritten";
}

// Checks every invariant of an installation after a crash; returns how many hidden
// temporaries of the tool were left (they can never be taken for a file of the suite).
int expectIntact(const Installation& suite, const fs::path& master, const std::string& when) {
    SCOPED_TRACE(when);
    int database = 0;
    for (const auto name :
         {Installation::databaseName, Installation::backupName, Installation::newDatabaseName}) {
        const fs::path file = suite.folder / name;
        if (fs::exists(file)) {
            EXPECT_TRUE(sameBytes(file, master)) << "a damaged database at " << file;
            ++database;
        }
    }
    EXPECT_GE(database, 1) << "the database is gone";

    for (const auto* s : allSettingsFiles) {
        const std::string bytes = suite.bytes(s->file);
        EXPECT_TRUE(bytes == settingsText(*s, suite.databasePath()) ||
                    bytes == settingsText(*s, suite.newDatabasePath()))
            << "torn: " << utf8(s->file);
    }

    int temporaries = 0;
    const auto known = knownFiles(suite);
    for (const auto& entry : fs::recursive_directory_iterator(suite.folder.path())) {
        if (entry.is_directory() || known.count(entry.path()))
            continue;
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.rfind(".migtmp-", 0), 0u) << "left over: " << entry.path();
        ++temporaries;
    }
    return temporaries;
}

// A second, uninterrupted run from the state a crash left.
void expectSecondRunEndsWell(const Installation& suite, const fs::path& master) {
    const auto before = suite.snapshot();
    Recorder window;
    RunMigration(window, suite.base());
    ASSERT_GE(window.calls.size(), 2u);
    const std::string box = window.calls[window.calls.size() - 2];
    if (box == "box ALTERAÇÕES REALIZADAS COM SUCESSO!!!") {
        for (const auto* s : allSettingsFiles) {
            TIniFile settings(suite.folder.name(s->file));
            const std::u16string database = settings.ReadString(s->section, s->key, u"");
            EXPECT_EQ(database, suite.newDatabasePath()) << utf8(s->file);
            const auto file = platform::posix::resolvePath(database);
            ASSERT_TRUE(file);
            EXPECT_TRUE(sameBytes(*file, master)) << "no intact database at " << *file;
        }
    } else {
        EXPECT_EQ(box.rfind("box ATENÇÃO!", 0), 0u) << box;
        EXPECT_EQ(suite.snapshot(), before);
    }
}

TEST_F(CrashTest, KilledAtFiftyMomentsTheInstallationSurvives) {
    std::vector<Moment> moments;
    for (int position = 1; position <= 8; ++position)
        moments.push_back({0us, position, false});
    moments.push_back({0us, -1, true});

    // One whole run first, to spread the timed kills over the time a run takes.
    Installation whole;
    layOut(whole);
    const auto duration = runUntil(whole, {});
    expectIntact(whole, master->file(), "after an uninterrupted run");
    EXPECT_TRUE(whole.exists(Installation::newDatabaseName));
    for (int i = 0; i < timedKills; ++i)
        moments.push_back({duration * (i + 1) / (timedKills + 1), -1, false});

    int killed = 0, leftovers = 0;
    std::map<std::string, int> stages;
    for (const auto& moment : moments) {
        Installation suite;
        layOut(suite);
        runUntil(suite, moment);
        ++killed;
        ++stages[stageOf(suite)];
        leftovers += expectIntact(suite, master->file(), "killed " + moment.describe());
        expectSecondRunEndsWell(suite, master->file());
        if (HasFailure())
            break;
    }
    std::printf("[          ] %d kills over a run of %lld ms, %d hidden temporaries left\n", killed,
                static_cast<long long>(duration.count() / 1000), leftovers);
    for (const auto& [stage, count] : stages)
        std::printf("[          ] %3d killed %s\n", count, stage.c_str());
    EXPECT_GE(killed, 50);
}

} // namespace

int main(int argc, char** argv) {
    // A kill leaves the page cache as it was, so memory serves as well as a disk here, and
    // spares the disk some twenty gigabytes of writes.
    if (::access("/dev/shm", W_OK) == 0)
        ::setenv("TMPDIR", "/dev/shm", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
