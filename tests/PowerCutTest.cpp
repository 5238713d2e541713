// The whole migration on a file system of the test's own (tests/tools/PowerCutFs.cpp) that
// logs every request that changes something. The power is cut after request N, for every
// N of a run: from then on every request fails and the tool is killed. Every state that
// the crash model (tests/support/CrashModel.h) allows after the cut must keep the suite
// whole, and a second run from each distinct state must end well or with one of the
// tool's own boxes, never with success and the work undone.
//
// The tool runs as a console program (tests/tools/MigrationDriver.cpp), natively and, when
// scripts/test hands over the Windows build, under Wine on the same layer: Wine maps Z: to
// /, and its flushes and renames reach the layer as system calls.
//
// Mounting needs root and /dev/fuse; each test says so when it skips.

#include "ChildProcess.h"
#include "CrashModel.h"
#include "Installation.h"
#include "Recorder.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <map>
#include <poll.h>
#include <sys/mount.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Small, so that a run makes few requests: the copy is a handful of writes.
constexpr std::size_t databaseSize = 256u << 10;
// Bounds for a busy machine; nothing is measured against them.
constexpr auto patience = 120s;

const std::string successBox = "box ALTERAÇÕES REALIZADAS COM SUCESSO!!!";
const std::string conversionErrorBox =
    "box Erro ao converter o banco de dados, entre em contato com o Suporte!!!";
const std::string warningBox = "box ATENÇÃO! \r\rNão foi possivel relizar os procedimentos de "
                               "conversão!\r\r Feche todas as conexões ao banco de dados!!!";

std::string name(std::u16string_view relative) {
    return utf8(std::u16string(relative));
}

const std::string databaseName = name(Installation::databaseName);
const std::string backupName = name(Installation::backupName);
const std::string newDatabaseName = name(Installation::newDatabaseName);

bool isLeftover(const std::string& file) {
    return fs::path(file).filename().string().rfind(".migtmp-", 0) == 0;
}

std::vector<std::string> linesOf(const fs::path& file) {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : fs::exists(file) ? readBytes(file) : std::string()) {
        if (c != '\n') {
            line += c;
        } else {
            lines.push_back(line);
            line.clear();
        }
    }
    return lines;
}

// How the tool is started, and how it names a folder of this machine.
struct Backend {
    std::string name;
    std::vector<std::string> command;
    std::function<std::u16string(const fs::path&)> folderName;
    // Options for the layer under it.
    std::vector<std::string> layer = {};
};

Backend native() {
    return {
        "native", {MIGRATION_DRIVER}, [](const fs::path& folder) { return u16(folder) + u"/"; }};
}

// The Windows build under Wine, when scripts/test names it.
std::optional<Backend> underWine() {
    const char* driver = std::getenv("MIGRATOR_WINDOWS_DRIVER");
    if (!driver || !*driver)
        return std::nullopt;
    return Backend{"Windows under Wine", {"wine", driver}, [](const fs::path& folder) {
                       std::u16string name = u"Z:" + u16(folder) + u"\\";
                       std::replace(name.begin(), name.end(), u'/', u'\\');
                       return name;
                   }};
}

// One wineserver for the whole Wine part, so that each start of the tool is quick.
class WineServer {
public:
    WineServer() : server_({"wineserver", "-f", "-p"}, {}, "/") {}
    ~WineServer() {
        ChildProcess stop({"wineserver", "-k"}, {}, "/");
        stop.waitForExit(patience);
    }

private:
    ChildProcess server_;
};

// The power-cut layer, mounted over a folder for the length of one run.
class Layer {
public:
    // The options of tests/tools/PowerCutFs.cpp: cut-after=N, failing-fsyncdir=K,
    // plain-rename.
    Layer(const fs::path& backing, const fs::path& mountpoint, const fs::path& journal,
          const std::vector<std::string>& options)
        : mountpoint_(mountpoint), journal_(journal) {
        int notices[2];
        if (::pipe(notices) != 0)
            return;
        std::vector<std::string> command = {POWERCUT_FS, backing.string(), mountpoint.string(),
                                            journal.string(), std::to_string(notices[1])};
        command.insert(command.end(), options.begin(), options.end());
        process_.emplace(command, std::vector<std::string>{}, "/", notices[1],
                         journal.string() + ".log");
        ::close(notices[1]);
        notices_ = notices[0];
        ::fcntl(notices_, F_SETFD, FD_CLOEXEC);
        char notice = 0;
        mounted_ = ::read(notices_, &notice, 1) == 1 && notice == 'r';
    }
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;
    ~Layer() {
        unmount();
        if (notices_ >= 0)
            ::close(notices_);
    }

    bool mounted() const { return mounted_; }
    int notices() const { return notices_; }

    std::vector<journal::Record> unmount() {
        if (process_) {
            process_->kill(SIGTERM);
            process_.reset();
            ::umount2(mountpoint_.c_str(), MNT_DETACH);
        }
        return journal::read(journal_);
    }

private:
    fs::path mountpoint_, journal_;
    std::optional<ChildProcess> process_;
    int notices_ = -1;
    bool mounted_ = false;
};

struct Outcome {
    std::vector<std::string> lines;
    std::optional<int> status;
    bool cut = false;
};

// Runs the tool on base and waits for its end, or kills it when the layer cuts the power.
Outcome runTool(const Backend& backend, const fs::path& scratch, const std::u16string& base,
                int cutNotices = -1) {
    auto command = backend.command;
    command.push_back(utf8(base));
    const fs::path output = scratch / "output";
    ChildProcess tool(command, {}, scratch, -1, output);
    Outcome outcome;
    pollfd events[2] = {{tool.endedFd(), POLLIN, 0}, {cutNotices, POLLIN, 0}};
    ::poll(events, cutNotices >= 0 ? 2 : 1, static_cast<int>(patience / 1ms));
    // The layer tells of the cut before it fails the request, so the notice is there even
    // when the tool has ended on that failure by now.
    pollfd notice{cutNotices, POLLIN, 0};
    char what = 0;
    if (cutNotices >= 0 && ::poll(&notice, 1, 0) == 1 && ::read(cutNotices, &what, 1) == 1)
        outcome.cut = what == 'c';
    if (outcome.cut)
        tool.kill(SIGKILL);
    outcome.status = tool.waitForExit(patience);
    outcome.lines = linesOf(output);
    return outcome;
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const auto& part : parts)
        text += (text.empty() ? "" : separator) + part;
    return text;
}

std::string describe(const std::vector<std::string>& lines) {
    return lines.empty() ? "nothing" : joined(lines, " | ");
}

// The sample installation and what the run must make of it.
struct Sample {
    std::string database = Installation::databaseContent(databaseSize);
    std::map<std::string, std::string> oldSettings, newSettings;

    // The installation as it stands before the run, naming the database the way the tool
    // sees it through the layer.
    void layOut(const fs::path& folder, const std::u16string& base) {
        for (const char* exe : {"Talbrix/Talbrix.exe", "Zorp/Zorp.exe", "Kestal/Ombrive.exe"})
            writeBytes(folder / exe, "MZ");
        fs::create_directories(folder / "Talbrix/Brenmoor");
        fs::create_directories(folder / "Talbrix/Hulvern");
        writeBytes(folder / Installation::databaseName, database);
        for (const auto* s : allSettingsFiles) {
            const std::string text =
                settingsText(*s, base + std::u16string(Installation::databaseName));
            writeBytes(folder / s->file, text);
            oldSettings[name(s->file)] = text;
        }
    }

    // What a power cut must never do to the installation; the causes found.
    std::vector<std::string> damage(const Tree& tree,
                                    const std::set<std::string>& excused = {}) const {
        std::vector<std::string> causes;
        const auto whole = [&](const std::string& file) {
            const std::string* bytes = tree.bytes(file);
            return bytes && *bytes == database;
        };
        if (!whole(databaseName) && !whole(backupName))
            causes.push_back("the database is whole under neither its name nor the backup name");
        for (const auto& file : {databaseName, backupName, newDatabaseName})
            if (tree.bytes(file) && !whole(file))
                causes.push_back("a damaged file at " + file);
        bool namesNew = false;
        for (const auto& [file, old] : oldSettings) {
            if (excused.count(file))
                continue;
            const std::string* bytes = tree.bytes(file);
            if (!bytes)
                causes.push_back(file + " is missing");
            else if (*bytes == newSettings.at(file))
                namesNew = true;
            else if (*bytes != old)
                causes.push_back(file + " is neither its old nor its new version");
        }
        if (namesNew && !whole(newDatabaseName))
            causes.push_back("the settings name " + newDatabaseName + ", which is not whole");
        return causes;
    }

    // A second run from a crash state: it ends well, or with one of the tool's own boxes,
    // and never reports success with the work undone.
    std::vector<std::string> secondRunDamage(const Tree& before, const Outcome& outcome,
                                             const Tree& after) const {
        std::vector<std::string> causes;
        const auto& lines = outcome.lines;
        const auto has = [&](const std::string& line) {
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        };
        const bool error = std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
            return l.rfind("error ", 0) == 0;
        });
        if (outcome.status != 0)
            causes.push_back("the second run did not end with exit code 0");
        if (has(successBox)) {
            const auto left = damage(after);
            causes.insert(causes.end(), left.begin(), left.end());
            for (const auto& [file, bytes] : newSettings)
                if (!after.bytes(file) || *after.bytes(file) != bytes)
                    causes.push_back("success reported, but " + file + " is not rewritten");
            if (!after.bytes(newDatabaseName) || *after.bytes(newDatabaseName) != database)
                causes.push_back("success reported without a whole " + newDatabaseName);
            for (const auto& [file, content] : after.files)
                if (isLeftover(file))
                    causes.push_back("success reported with " + file + " left behind");
        } else if (has(warningBox)) {
            if (after.key() != before.key())
                causes.push_back("the warning was shown, but files changed");
        } else if (has(conversionErrorBox) || error) {
            const auto left = damage(after);
            causes.insert(causes.end(), left.begin(), left.end());
        } else {
            causes.push_back("the second run ended without a box of its own");
        }
        if (!causes.empty())
            causes.push_back("the second run showed: " + describe(lines));
        return causes;
    }
};

// A folder for the layer's mount point, one for what lies below it, and room for the
// journal and the tool's output.
class Trial {
public:
    explicit Trial(const Backend& backend)
        : backend_(backend), mountpoint_(root_ / "mnt"), backing_(root_ / "backing"),
          base_(backend.folderName(mountpoint_)) {
        fs::create_directory(mountpoint_);
    }

    struct Run {
        Disk before;
        std::vector<journal::Record> journal;
        Tree after; // as a kill leaves it: every request served
        Outcome outcome;
        bool mounted = false;
    };

    // One run of the tool on a fresh installation on the layer, cut after that many
    // requests, and with that folder flush failing.
    Run run(std::optional<std::size_t> cutAfter, std::optional<long long> failingFsyncdir = {}) {
        fs::remove_all(backing_);
        fs::create_directory(backing_);
        sample.layOut(backing_, base_);
        Run run;
        run.before = Disk::scan(backing_);
        auto options = backend_.layer;
        if (cutAfter)
            options.push_back("cut-after=" + std::to_string(*cutAfter));
        if (failingFsyncdir)
            options.push_back("failing-fsyncdir=" + std::to_string(*failingFsyncdir));
        Layer layer(backing_, mountpoint_, root_ / "journal", options);
        run.mounted = layer.mounted();
        if (!run.mounted)
            return run;
        run.outcome = runTool(backend_, root_.path(), base_, layer.notices());
        run.journal = layer.unmount();
        run.after = Tree::read(backing_);
        return run;
    }

    // A second run from state, on a plain folder where the layer was mounted.
    std::vector<std::string> secondRun(const Tree& state) {
        state.write(mountpoint_);
        const Outcome outcome = runTool(backend_, root_.path(), base_);
        return sample.secondRunDamage(state, outcome, Tree::read(mountpoint_));
    }

    Sample sample;

private:
    const Backend& backend_;
    TempFolder root_;
    fs::path mountpoint_, backing_;
    std::u16string base_;
};

// Why the layer cannot run here, or nothing.
std::optional<std::string> layerUnavailable() {
    if (::geteuid() != 0)
        return "mounting the power-cut layer needs root";
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return "/dev/fuse is missing";
    return std::nullopt;
}

#define SKIP_WITHOUT_LAYER()                                                                       \
    if (const auto reason = layerUnavailable())                                                    \
    GTEST_SKIP() << *reason

#define SKIP_WITHOUT_WINE(backend)                                                                 \
    const auto backend = underWine();                                                              \
    if (!backend)                                                                                  \
    GTEST_SKIP() << "no Windows build named in MIGRATOR_WINDOWS_DRIVER (scripts/test names it)"

// A state found after some cut, with where it was first seen.
struct Found {
    Tree tree;
    std::string origin;
    std::set<std::string> vacated;
};

void cutEverywhere(const Backend& backend) {
    Trial trial(backend);
    const auto whole = trial.run({});
    if (!whole.mounted)
        GTEST_SKIP() << "this machine refuses to mount the power-cut layer";
    ASSERT_FALSE(whole.outcome.cut);
    ASSERT_EQ(whole.outcome.lines, (std::vector<std::string>{successBox, "terminate"}))
        << "the uncut run must succeed";
    for (const auto& [file, old] : trial.sample.oldSettings) {
        ASSERT_TRUE(whole.after.bytes(file)) << file;
        trial.sample.newSettings[file] = *whole.after.bytes(file);
    }
    ASSERT_TRUE(trial.sample.damage(whole.after).empty());
    const std::size_t requests = whole.journal.size();

    std::size_t cuts = 0, states = 0;
    std::map<std::string, Found> distinct;
    for (std::size_t n = 0; n <= requests; ++n) {
        const auto cut = trial.run(n);
        ASSERT_TRUE(cut.mounted);
        ASSERT_EQ(cut.outcome.cut, n < requests) << "cut after " << n << " requests";
        ++cuts;
        for (auto& state : crashStates(cut.before, cut.journal)) {
            ++states;
            const std::string key = state.tree.key();
            distinct.try_emplace(key,
                                 Found{std::move(state.tree),
                                       "cut after " + std::to_string(n) + " of " +
                                           std::to_string(requests) + " requests, " + state.how,
                                       std::move(state.vacated)});
        }
    }

    // Wine's ReplaceFileW renames the old file away and unlinks it before it renames the new
    // one in; Windows documents the new file as taking the old one's name and identity, and
    // the tool relies on that. States caught between those steps are Wine's own: they are
    // counted and shown, not held against the tool, which is checked on everything else.
    std::vector<std::string> failures;
    std::map<std::string, std::pair<std::size_t, std::string>> wineOnly; // by cause
    std::size_t secondRuns = 0;
    for (const auto& [key, found] : distinct) {
        std::set<std::string> replacing;
        for (const auto& file : found.vacated)
            if (trial.sample.oldSettings.count(file))
                replacing.insert(file);
        std::vector<std::string> causes = trial.sample.damage(found.tree, replacing);
        if (replacing.empty() && causes.empty()) {
            ++secondRuns;
            causes = trial.secondRun(found.tree);
        } else if (!replacing.empty()) {
            auto& [count, first] = wineOnly[joined(trial.sample.damage(found.tree), "; ")];
            if (count++ == 0)
                first = found.origin;
        }
        if (!causes.empty())
            failures.push_back(found.origin + ": " + joined(causes, "; "));
    }

    std::printf("[          ] %s: %zu cuts, %zu states (%zu distinct) checked, %zu second runs, "
                "%zu failures\n",
                backend.name.c_str(), cuts, states, distinct.size(), secondRuns, failures.size());
    for (const auto& [cause, seen] : wineOnly)
        std::printf("[          ]   not counted, %zu states inside Wine's ReplaceFileW, which is "
                    "not atomic there: %s (first: %s)\n",
                    seen.first, cause.c_str(), seen.second.c_str());
    for (const auto& failure : failures)
        std::printf("[          ]   FAILED %s\n", failure.c_str());
    EXPECT_TRUE(failures.empty()) << failures.size() << " states failed, each listed above";
}

TEST(PowerCut, NativeRunLosesNothing) {
    SKIP_WITHOUT_LAYER();
    cutEverywhere(native());
}

TEST(PowerCut, NativeRunWithoutANoReplaceRenameLosesNothing) {
    SKIP_WITHOUT_LAYER();
    Backend backend = native();
    backend.name = "native, without a rename that must not replace";
    backend.layer = {"plain-rename"};
    cutEverywhere(backend);
}

TEST(PowerCut, WindowsRunUnderWineLosesNothing) {
    SKIP_WITHOUT_LAYER();
    SKIP_WITHOUT_WINE(wine);
    WineServer server;
    cutEverywhere(*wine);
}

// A kill keeps everything the file system was told: what stands after the copy is killed
// halfway must not be taken for the converted database.
void killTheCopyHalfway(const Backend& backend) {
    Trial trial(backend);
    const auto whole = trial.run({});
    if (!whole.mounted)
        GTEST_SKIP() << "this machine refuses to mount the power-cut layer";
    std::optional<std::size_t> halfway;
    for (std::size_t i = 0; i < whole.journal.size() && !halfway; ++i) {
        const auto& r = whole.journal[i];
        if (r.op == journal::Op::write &&
            static_cast<std::size_t>(r.value) + r.data.size() > databaseSize / 2)
            halfway = i + 1;
    }
    ASSERT_TRUE(halfway) << "no write of the copy reached half of the database";

    const auto killed = trial.run(*halfway);
    ASSERT_TRUE(killed.outcome.cut);
    EXPECT_FALSE(killed.after.bytes(newDatabaseName)) << "a file stands at the destination";
    EXPECT_TRUE(killed.after.bytes(backupName) &&
                *killed.after.bytes(backupName) == trial.sample.database);
    for (const auto& [file, old] : trial.sample.oldSettings)
        EXPECT_TRUE(killed.after.bytes(file) && *killed.after.bytes(file) == old) << file;
}

TEST(KilledCopy, NativeLeavesNoFileAtTheDestination) {
    SKIP_WITHOUT_LAYER();
    killTheCopyHalfway(native());
}

TEST(KilledCopy, UnderWineLeavesNoFileAtTheDestination) {
    SKIP_WITHOUT_LAYER();
    SKIP_WITHOUT_WINE(wine);
    WineServer server;
    killTheCopyHalfway(*wine);
}

// Each folder flush of a run fails in turn: the run must end with an error every time, and
// leave the installation whole. Wine flushes no folder at all, so this is native only.
TEST(FailingFolderFlush, EndsWithAnErrorAndNeverWithSuccess) {
    SKIP_WITHOUT_LAYER();
    const Backend backend = native();
    Trial trial(backend);
    const auto whole = trial.run({});
    if (!whole.mounted)
        GTEST_SKIP() << "this machine refuses to mount the power-cut layer";
    for (const auto& [file, old] : trial.sample.oldSettings)
        trial.sample.newSettings[file] = *whole.after.bytes(file);
    const auto flushes = std::count_if(whole.journal.begin(), whole.journal.end(),
                                       [](const auto& r) { return r.op == journal::Op::fsyncdir; });
    ASSERT_GT(flushes, 0);

    for (long long failing = 1; failing <= flushes; ++failing) {
        SCOPED_TRACE("folder flush " + std::to_string(failing) + " of " + std::to_string(flushes));
        const auto run = trial.run({}, failing);
        const auto& lines = run.outcome.lines;
        EXPECT_EQ(std::find(lines.begin(), lines.end(), successBox), lines.end());
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
            return l == conversionErrorBox || l == warningBox ||
                   l.rfind("error Unable to write to ", 0) == 0;
        })) << describe(lines);
        EXPECT_EQ(trial.sample.damage(run.after), std::vector<std::string>{});
    }
}

} // namespace
