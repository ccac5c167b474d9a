#include "platform/AlertPresenter.h"
#include "platform/EventLoop.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

namespace {

// A stand-in dialog program: it notes that it is up, then either is answered at once or waits
// for the user; told to close (TERM), it notes that too.
std::string WriteDialog(const TempFolder& folder, bool answered)
{
    std::string script = "#!/bin/sh\ntrap 'echo closed > \"" + folder / "closed" + "\"; exit 0' TERM\n";
    // Short sleeps, so the shell acts on the signal within one of them; a minute at most.
    script += answered ? "exit 0\n"
                       : "echo up > \"" + folder / "up" + "\"\n"
                         "i=0\nwhile [ $i -lt 1200 ]; do sleep 0.05; i=$((i+1)); done\n";
    std::string path = folder.WriteFile("dialog", script);
    EXPECT_EQ(chmod(path.c_str(), 0755), 0);
    return path;
}

TEST(DialogAlert, AQuitRequestClosesTheDialogAndTheLoopEnds)
{
    struct sCase {
        bool answered;
        bool closed;
    };
    for (const sCase c : {sCase{true, false}, sCase{false, true}}) {
        TempFolder folder;
        const std::string program = WriteDialog(folder, c.answered);
        plat::DialogAlertPresenter presenter(program.c_str());
        plat::EventLoop& loop = plat::EventLoop::Main();
        loop.Reset();
        bool shown = false;
        loop.Post([&] {
            presenter.Show({"Error.", "Generic Failure."});
            shown = true;
            // An answered alert leaves the program running: the quit comes after it.
            loop.Quit();
        });
        // The session ends while the dialog is up.
        const uint32_t timer = loop.AddTimer(0, 5000, [&] {
            if (std::filesystem::exists(folder / "up"))
                loop.Quit();
        });
        loop.Run();
        loop.RemoveTimer(timer);
        EXPECT_TRUE(shown);
        EXPECT_EQ(std::filesystem::exists(folder / "closed"), c.closed);
        loop.Reset();
    }
}

} // namespace
