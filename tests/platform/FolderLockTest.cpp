#include "platform/FolderLock.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <climits>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace plat;

namespace {

constexpr char kName[] = ".lock";

// A child process that takes the folder's lock, says so through a pipe and then waits to be
// killed, or ends at once without letting go of the lock.
pid_t HolderProcess(const std::string& folder, bool exitAtOnce)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        FolderLock lock;
        const char taken = lock.Acquire(folder.c_str(), kName) == eLockResult::kOk ? 'y' : 'n';
        (void)!::write(ready[1], &taken, 1);
        if (exitAtOnce)
            ::_exit(0);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char taken = 'n';
    const bool held = child > 0 && ::read(ready[0], &taken, 1) == 1 && taken == 'y';
    ::close(ready[0]);
    return held ? child : -1;
}

} // namespace

TEST(FolderLock, ASecondHolderIsRefusedUntilTheFirstLetsGo)
{
    TempFolder folder;
    FolderLock second;
    {
        FolderLock first;
        ASSERT_EQ(first.Acquire(folder.Path().c_str(), kName), eLockResult::kOk);
        // A second opening conflicts even inside one process.
        EXPECT_EQ(second.Acquire(folder.Path().c_str(), kName), eLockResult::kHeldElsewhere);
        EXPECT_FALSE(second.IsHeld());
        first.Release();
        EXPECT_EQ(second.Acquire(folder.Path().c_str(), kName), eLockResult::kOk);
        second.Release();
        ASSERT_EQ(first.Acquire(folder.Path().c_str(), kName), eLockResult::kOk);
    }
    // The first lock went with its holder; its file stays.
    EXPECT_EQ(second.Acquire(folder.Path().c_str(), kName), eLockResult::kOk);
    EXPECT_TRUE(std::filesystem::is_regular_file(folder / kName));
}

TEST(FolderLock, TheKernelLetsGoWhenTheHolderEnds)
{
    for (const bool killed : {true, false}) {
        SCOPED_TRACE(killed ? "killed" : "ended without releasing");
        TempFolder folder;
        const pid_t holder = HolderProcess(folder.Path(), !killed);
        ASSERT_GT(holder, 0);
        FolderLock lock;
        if (killed) {
            EXPECT_EQ(lock.Acquire(folder.Path().c_str(), kName), eLockResult::kHeldElsewhere);
            ::kill(holder, SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(holder, &status, 0), holder);
        EXPECT_EQ(lock.Acquire(folder.Path().c_str(), kName), eLockResult::kOk);
    }
}

TEST(FolderLock, OnlyARegularFileIsLockedAndNothingIsFollowed)
{
    TempFolder folder;
    const std::string target = folder / "target";
    struct sCase {
        const char* name;
        std::function<void(const std::string&)> make;
    } cases[] = {
        {"link to a file", [&](const std::string& at) { folder.WriteFile("target", "kept");
                                                          std::filesystem::create_symlink(target, at); }},
        {"dangling link", [&](const std::string& at) { std::filesystem::remove(target);
                                                         std::filesystem::create_symlink(target, at); }},
        {"folder", [](const std::string& at) { std::filesystem::create_directory(at); }},
        // Never waited on.
        {"named pipe", [](const std::string& at) { ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0); }},
    };
    for (const sCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder lockFolder;
        c.make(lockFolder / kName);
        // Opening a pipe would let a writer waiting on it go on: what stands there is not opened.
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, (lockFolder / kName).c_str(), IN_OPEN | IN_DONT_FOLLOW), 0);
        FolderLock lock;
        EXPECT_EQ(lock.Acquire(lockFolder.Path().c_str(), kName), eLockResult::kNotRegularFile);
        EXPECT_FALSE(lock.IsHeld());
        char event[sizeof(inotify_event) + NAME_MAX + 1];
        EXPECT_LT(::read(watch, event, sizeof event), 0) << "it was opened";
        ::close(watch);
    }
    EXPECT_FALSE(std::filesystem::exists(target)) << "the dangling link made its target";
}
