#include "support/ResourceFixtures.h"
#include "support/TempFolder.h"

#include "FileIO/AppBaseFolders.h"
#include "platform/AudioDevice.h"
#include "resources/CAppResources.h"
#include "resources/ResourceCreation.h"
#include "sound/CSound.h"
#include "support/StringBytes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class AppResources : public ::testing::Test {
protected:
    AppResources()
    {
        mkdir((folder / "Resources").c_str(), 0755);
        EXPECT_EQ(SetAppBaseFolders(gCString(folder.Path().c_str()), gCString(u"/")), eSuccess);
    }
    ~AppResources() override { ClearAppBaseFolders(); }

    void Compile(const std::string& kind, const std::string& name, const std::string& source)
    {
        std::string path = CompileResources(folder.Path() + "Resources/", kind, name, source);
        ASSERT_FALSE(path.empty());
    }

    TempFolder folder;
    plat::ManualAudioBackend backend{22000};
    gCString resources{u"Resources"};
    gCString mrf{u"system.mrs.mrf"};
    gCString msf{u"system.mst.msf"};
};

std::string ToneWave()
{
    std::string samples(400, '\x40');
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    return "RIFF" + u32(36 + 400) + "WAVEfmt " + u32(16) + std::string("\x01\x00\x01\x00", 4) + u32(22000) +
           u32(22000) + std::string("\x01\x00\x08\x00", 4) + "data" + u32(400) + samples;
}

} // namespace

TEST_F(AppResources, LoadsTheResourceFileTheStringTableAndTheSecondFile)
{
    folder.WriteFile("Resources/tone.wav", ToneWave());
    Compile("resources", "system.mrs", "version 1\nsound 90000 \"Success\" \"tone.wav\"\n");
    Compile("strings", "system.mst", "3000000004 \"English\"\n");
    CAppResources app;
    gCString second;
    ASSERT_EQ(app.LoadSystemResources(resources, mrf, msf, second), eSuccess);
    EXPECT_EQ(app.GetDirectory().entries.GetSize(), 1);
    EXPECT_EQ(Utf8(app.GetStringTable().GetString(3000000004u, 0)), "English");
    // No second name: the resource file is opened and indexed a second time.
    EXPECT_EQ(Utf8(second), Utf8(mrf));
    EXPECT_EQ(app.GetSecondDirectory().entries.GetSize(), 1);
    EXPECT_EQ(GetResourceContext(), &app.GetContext());

    CSound* sound = FindOrLoadResourceById<CSound>(2, 90000, nullptr, nullptr);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(FindOrLoadResourceById<CSound>(2, 90000, nullptr, nullptr), sound);
    EXPECT_EQ(app.FindPoolResourceById(eAllPools, 90000), sound);
    // Still playing when the application goes: its voices go before its samples.
    EXPECT_GE(sound->Play(-1, 0), 0);
    (void)backend.Pump(100);
}

TEST_F(AppResources, AMissingResourceFileIsInvalidAMissingTableIsNoError)
{
    CAppResources app;
    gCString second;
    EXPECT_EQ(app.LoadSystemResources(resources, mrf, msf, second), eInvalidFile);
    EXPECT_FALSE(app.GetResourceFile().IsOpen());
    EXPECT_EQ(CSound::CreateFromId(90000, nullptr, nullptr), nullptr);

    Compile("resources", "system.mrs", "chunk 'abcd' 1 \"a\" {\n u8 0\n}\n");
    CAppResources withoutTable;
    EXPECT_EQ(withoutTable.LoadSystemResources(resources, mrf, msf, second), eSuccess);
    EXPECT_EQ(withoutTable.GetStringTable().GetCount(), 0);
}

TEST_F(AppResources, DamagedFilesReturnTheirCodes)
{
    folder.WriteFile("Resources/system.mrs.mrf", HexBytes("64636261 ff000000 01000000"));
    CAppResources app;
    gCString second;
    EXPECT_EQ(app.LoadSystemResources(resources, mrf, msf, second), eStreamError);

    Compile("resources", "system.mrs", "chunk 'abcd' 1 \"a\" {\n u8 0\n}\n");
    folder.WriteFile("Resources/system.mst.msf", HexBytes("01000000 0000"));
    CAppResources damagedTable;
    EXPECT_EQ(damagedTable.LoadSystemResources(resources, mrf, msf, second), eStreamError);
}
