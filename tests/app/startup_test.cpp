#include "app/startup.h"

#include "app/paths.h"
#include "app/settings_folder.h"
#include "app/text.h"
#include "fake_host.h"
#include "platform/failure.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tz {
namespace {

namespace fs = std::filesystem;

class StartUp : public ::testing::Test {
  protected:
    void SetUp() override { globals.ProgramFolder = dir_.string(); }
    // A test may have made the folder read-only.
    void TearDown() override { fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add); }

    void write(const char* name, const std::string& bytes) {
        test::writeFile(scratch_.file(name), bytes);
    }
    std::string read(const char* name) const { return test::readFile(scratch_.file(name)); }
    bool run() { return startUp(globals, host); }
    // The classic message, then the file it is about on a line of its own.
    void expectEndedWith(const char* message, const char* file) {
        EXPECT_FALSE(run());
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, std::string(message) + "\n" + (dir_ / file).string());
        EXPECT_EQ(host.messages[0].title, "TIDEWELL-Z");
    }
    void expectEndedSilently() {
        EXPECT_FALSE(run());
        EXPECT_TRUE(host.messages.empty());
    }

    test::TempDir scratch_{"tz-startup"};
    fs::path dir_ = scratch_.path();
    Globals globals;
    fake::FakeHost host;
};

const char* const kEnv = "\"C:\\Excel\\excel.exe\",\"C:\\Data\\flow.xls\",3\r\n";

TEST_F(StartUp, ReadsSettingsStringNamesAndEnvironment) {
    write("Twell.ini", "\"9600,E,7,1\"\r\nFlow rate\r\nTotal,Level\r\n");
    write("Twenv.dat", kEnv);
    ASSERT_TRUE(run());
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(globals.CommSettings, "9600,E,7,1");
    EXPECT_EQ(globals.ParamName[1], "Flow rate");
    EXPECT_EQ(globals.ParamName[2], "Total");
    EXPECT_EQ(globals.ParamName[3], "Level");
    EXPECT_EQ(globals.ParamName[4], "");
    EXPECT_EQ(globals.ApplicationPath, "C:\\Excel\\excel.exe");
    EXPECT_EQ(globals.ApplicationDocument, "C:\\Data\\flow.xls");
    EXPECT_EQ(globals.PortNo, 3);
    EXPECT_EQ(globals.EnvFilePath, (dir_ / "Twenv.dat").string());
    EXPECT_EQ(globals.HelpFile, (dir_ / "Tidewell_Z.hlp").string());
}

// Notepad saves in the code page, in UTF-8 or in UTF-8 with a byte order
// mark; the names and the document read the same from each.
TEST_F(StartUp, SettingsSavedByAnyEditorReadAlike) {
    const struct {
        const char* saved;
        std::string ini, env;
    } cases[] = {
        {"code page",
         "\"9600,N,8,1\"\r\n\"Durchflu\xDF\"\r\nGr\xF6\xDF"
         "e\r\n",
         "\"C:\\Excel\\excel.exe\",\"C:\\Data\\M\xFCller.xls\",1\r\n"},
        {"UTF-8",
         "\"9600,N,8,1\"\r\n\"Durchflu\xC3\x9F\"\r\nGr\xC3\xB6\xC3\x9F"
         "e\r\n",
         "\"C:\\Excel\\excel.exe\",\"C:\\Data\\M\xC3\xBCller.xls\",1\r\n"},
        {"UTF-8 with BOM",
         "\xEF\xBB\xBF\"9600,N,8,1\"\r\n\"Durchflu\xC3\x9F\"\r\nGr\xC3\xB6\xC3\x9F"
         "e\r\n",
         "\xEF\xBB\xBF\"C:\\Excel\\excel.exe\",\"C:\\Data\\M\xC3\xBCller.xls\",1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saved);
        write("Twell.ini", c.ini);
        write("Twenv.dat", c.env);
        ASSERT_TRUE(run());
        EXPECT_EQ(globals.CommSettings, "9600,N,8,1");
        EXPECT_EQ(globals.ParamName[1], "Durchflu\u00DF");
        EXPECT_EQ(globals.ParamName[2], "Gr\u00F6\u00DF"
                                        "e");
        EXPECT_EQ(globals.ApplicationPath, "C:\\Excel\\excel.exe");
        EXPECT_EQ(globals.ApplicationDocument, "C:\\Data\\M\u00FCller.xls");
    }
}

// Bytes that only look like UTF-8 (overlong, surrogate, cut short, past
// U+10FFFF) are the code page's characters, not replacement marks.
TEST(TextFromAnyEditor, OnlyWellFormedUtf8IsReadAsUtf8) {
    const struct {
        const char* bytes;
        bool utf8;
    } cases[] = {
        {"plain", true},         {"\xC3\x9F", true},
        {"\xE2\x82\xAC", true},  {"\xF0\x9F\x8C\x8A", true},
        {"\xC0\xAF", false},     {"\xE0\x80\xAF", false},
        {"\xED\xA0\x80", false}, {"\xF4\x90\x80\x80", false},
        {"\xC3", false},         {"\xDF", false},
        {"\x80", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text::isUtf8(c.bytes), c.utf8) << c.bytes;
    EXPECT_EQ(text::fromAnyEditor("\xC0\xAF\x80"), "\u00C0\u00AF\u20AC");
}

TEST_F(StartUp, SettingsStringAloneLeavesEveryNameEmpty) {
    write("Twell.ini", "\"9600,N,8,1\"\r\n");
    ASSERT_TRUE(run());
    for (int n = 1; n <= 20; ++n)
        EXPECT_EQ(globals.ParamName[n], "") << n;
}

TEST_F(StartUp, ExactlyTwentyNamesAreAllRead) {
    std::string ini = "\"9600,N,8,1\"\r\n";
    for (int n = 1; n <= 20; ++n)
        ini += "P" + std::to_string(n) + (n % 4 ? "," : "\r\n");
    write("Twell.ini", ini);
    ASSERT_TRUE(run());
    for (int n = 1; n <= 20; ++n)
        EXPECT_EQ(globals.ParamName[n], "P" + std::to_string(n));
}

TEST_F(StartUp, TwentyFirstNameEndsWithoutMessageAndChangesNothing) {
    std::string ini = "\"9600,N,8,1\"\r\n";
    for (int n = 1; n <= 21; ++n)
        ini += "P" + std::to_string(n) + "\r\n";
    write("Twell.ini", ini);
    write("Twenv.dat", kEnv);
    globals.CommSettings = "before";
    expectEndedSilently();
    EXPECT_EQ(globals.CommSettings, "before");
    EXPECT_EQ(globals.ParamName[1], "");
    EXPECT_EQ(read("Twell.ini"), ini);
    EXPECT_EQ(read("Twenv.dat"), kEnv);
}

TEST_F(StartUp, UnquotedSettingsStringSpillsIntoTheNames) {
    write("Twell.ini", "9600,N,8,1\r\nFlow\r\n");
    ASSERT_TRUE(run());
    EXPECT_EQ(globals.CommSettings, "9600");
    EXPECT_EQ(globals.ParamName[1], "N");
    EXPECT_EQ(globals.ParamName[2], "8");
    EXPECT_EQ(globals.ParamName[3], "1");
    EXPECT_EQ(globals.ParamName[4], "Flow");
}

TEST_F(StartUp, BlankLineBetweenNamesGivesAnEmptyName) {
    write("Twell.ini", "\"9600,N,8,1\"\nFlow\n\nTotal\n");
    ASSERT_TRUE(run());
    EXPECT_EQ(globals.ParamName[1], "Flow");
    EXPECT_EQ(globals.ParamName[2], "");
    EXPECT_EQ(globals.ParamName[3], "Total");
}

TEST_F(StartUp, MissingSettingsFileSaysFileNotFind) {
    write("Twenv.dat", kEnv);
    expectEndedWith("File not find", "Twell.ini");
    EXPECT_EQ(read("Twenv.dat"), kEnv);
}

TEST_F(StartUp, EmptySettingsFileSaysFileFailed) {
    write("Twell.ini", "");
    expectEndedWith("File failed", "Twell.ini");
}

TEST_F(StartUp, SettingsFileThatCannotBeReadEndsWithoutMessage) {
    fs::create_directory(dir_ / "Twell.ini");
    expectEndedSilently();
}

TEST_F(StartUp, WithoutEnvironmentFileTheDefaultsAreUsedAndNoFileIsMade) {
    write("Twell.ini", "\"9600,N,8,1\"\r\n");
    globals.PortNo = 7;
#ifdef _WIN32
    ASSERT_TRUE(run());
    EXPECT_EQ(globals.ApplicationPath, "C:\\MSOFFICE\\EXCEL\\EXCEL.EXE");
#else
    // On Linux the spreadsheet program is the soffice along PATH: the first
    // executable one, or the bare name when there is none.
    const fs::path bin = dir_ / "bin", other = dir_ / "other";
    fs::create_directories(bin);
    fs::create_directories(other / "soffice"); // a folder is no program
    write("bin/soffice", "#!/bin/sh\n");
    fs::permissions(bin / "soffice", fs::perms::owner_all);
    const std::string before = std::getenv("PATH") ? std::getenv("PATH") : "";
    struct Restore {
        std::string path;
        ~Restore() { setenv("PATH", path.c_str(), 1); }
    } restore{before};
    setenv("PATH", (other.string() + "::" + bin.string() + ":/usr/bin").c_str(), 1);
    ASSERT_TRUE(run());
    EXPECT_EQ(globals.ApplicationPath, (bin / "soffice").string());
    setenv("PATH", other.string().c_str(), 1);
    ASSERT_TRUE(run());
    EXPECT_EQ(globals.ApplicationPath, "soffice");
#endif
    EXPECT_EQ(globals.ApplicationDocument, "C:\\Tidewell\\Tidewell.xls");
    EXPECT_EQ(globals.PortNo, 1);
    EXPECT_FALSE(fs::exists(dir_ / "Twenv.dat"));
}

TEST_F(StartUp, ShortEnvironmentFileSaysFileFailed) {
    write("Twell.ini", "\"9600,N,8,1\"\r\n");
    for (const char* env : {"", "\"C:\\x.exe\",\"C:\\y.xls\"\r\n", "\"C:\\x.exe\"\r\n"}) {
        SCOPED_TRACE(env);
        host.messages.clear();
        write("Twenv.dat", env);
        expectEndedWith("File failed", "Twenv.dat");
        EXPECT_EQ(read("Twenv.dat"), env);
    }
}

TEST_F(StartUp, EnvironmentItemsAfterTheThirdAreIgnored) {
    write("Twell.ini", "\"9600,N,8,1\"\r\n");
    write("Twenv.dat", "\"a\",\"b\",4,extra\r\nmore\r\n");
    ASSERT_TRUE(run());
    EXPECT_EQ(globals.PortNo, 4);
}

TEST_F(StartUp, PortNumberThatIsNoSixteenBitNumberEndsWithoutMessage) {
    write("Twell.ini", "\"9600,N,8,1\"\r\n");
    for (const char* env : {"\"a\",\"b\",COM2\r\n", "\"a\",\"b\",40000\r\n"}) {
        SCOPED_TRACE(env);
        write("Twenv.dat", env);
        expectEndedSilently();
    }
}

TEST(ProgramFolder, RootFolderGetsNoDoubledSeparator) {
    EXPECT_EQ(joinProgramFolder("C:\\", "Twell.ini"), "C:\\Twell.ini");
    EXPECT_EQ(joinProgramFolder("/", "Twell.ini"), "/Twell.ini");
    EXPECT_EQ(joinProgramFolder("/opt/tz/", "Twenv.dat"), "/opt/tz/Twenv.dat");
}

TEST(ProgramFolder, OtherFoldersGetOneSeparatorInBetween) {
#ifdef _WIN32
    EXPECT_EQ(joinProgramFolder("C:\\Tidewell", "Tidewell_Z.hlp"), "C:\\Tidewell\\Tidewell_Z.hlp");
#else
    EXPECT_EQ(joinProgramFolder("/opt/tz", "Tidewell_Z.hlp"), "/opt/tz/Tidewell_Z.hlp");
#endif
}

TEST_F(StartUp, FolderEndingInASeparatorNamesEveryFileWithoutDoubling) {
    globals.ProgramFolder = dir_.string() + "/";
    write("Twell.ini", "\"9600,N,8,1\"\r\n");
    ASSERT_TRUE(run());
    EXPECT_EQ(globals.HelpFile, dir_.string() + "/Tidewell_Z.hlp");
    EXPECT_EQ(globals.EnvFilePath, dir_.string() + "/Twenv.dat");
}

TEST(EnvironmentLine, DefaultsGiveTheKnownLine) {
    Globals g;
    g.ApplicationPath = "C:\\MSOFFICE\\EXCEL\\EXCEL.EXE";
    g.ApplicationDocument = "C:\\Tidewell\\Tidewell.xls";
    g.PortNo = 1;
    EXPECT_EQ(environmentLine(g),
              "\"C:\\MSOFFICE\\EXCEL\\EXCEL.EXE\",\"C:\\Tidewell\\Tidewell.xls\",1\r\n");
}

TEST_F(StartUp, WrittenEnvironmentReadsBackTheSameWithBlanksAndCommas) {
    write("Twell.ini", "\"9600,N,8,1\"\r\n");
    globals.EnvFilePath = (dir_ / "Twenv.dat").string();
    globals.ApplicationPath = " C:\\Program Files\\Office, 97\\EXCEL.EXE";
    globals.ApplicationDocument = "D:\\Flow data\\north, south.xls ";
    globals.PortNo = 9;
    writeEnvironment(globals);
    EXPECT_EQ(read("Twenv.dat"), environmentLine(globals));

    Globals back;
    back.ProgramFolder = globals.ProgramFolder;
    ASSERT_TRUE(startUp(back, host));
    EXPECT_EQ(back.ApplicationPath, globals.ApplicationPath);
    EXPECT_EQ(back.ApplicationDocument, globals.ApplicationDocument);
    EXPECT_EQ(back.PortNo, 9);
}

TEST_F(StartUp, WritingIntoAMissingFolderFails) {
    globals.EnvFilePath = (dir_ / "gone" / "Twenv.dat").string();
    try {
        writeEnvironment(globals);
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.code(), FailureCode::FileNotFound);
    }
}

TEST_F(StartUp, FailedWriteLeavesTheOldEnvironmentFileWhole) {
    write("Twenv.dat", kEnv);
    // Nothing may be created beside the file: the replacement cannot be
    // staged, even for a user who may write everywhere.
    fs::create_directory(dir_ / "Twenv.dat.tmp");
    globals.EnvFilePath = (dir_ / "Twenv.dat").string();
    globals.ApplicationPath = "new";
    EXPECT_THROW(writeEnvironment(globals), Failure);
    EXPECT_EQ(read("Twenv.dat"), kEnv);
}

TEST_F(StartUp, ReadOnlyFolderFailsAndKeepsTheOldFile) {
#ifdef _WIN32
    GTEST_SKIP() << "a read-only attribute does not stop writes into a Windows folder";
#else
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser writes into read-only folders";
#endif
    write("Twenv.dat", kEnv);
    fs::permissions(dir_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    globals.EnvFilePath = (dir_ / "Twenv.dat").string();
    EXPECT_THROW(writeEnvironment(globals), Failure);
    EXPECT_EQ(read("Twenv.dat"), kEnv);
}

// An installed program: no Twell.ini beside it, the default elsewhere.
TEST_F(StartUp, InstalledProgramKeepsItsSettingsInTheConfigFolder) {
    write("default.ini", "\"9600,N,8,1\"\r\nFlow\r\n");
    const std::string config = (dir_ / "config" / "tidewell-z").string();
    globals.SettingsFolder = config;
    globals.DefaultSettingsFile = (dir_ / "default.ini").string();
    ASSERT_TRUE(run());
    EXPECT_EQ(globals.ParamName[1], "Flow");
    EXPECT_EQ(globals.EnvFilePath, (fs::path(config) / "Twenv.dat").string());
    // The copy is the operator's from now on: a later start keeps it.
    std::ofstream(fs::path(config) / "Twell.ini", std::ios::binary) << "\"9600,N,8,1\"\r\nMine\r\n";
    ASSERT_TRUE(run());
    EXPECT_EQ(globals.ParamName[1], "Mine");
    EXPECT_FALSE(fs::exists(dir_ / "Twell.ini"));
}

TEST_F(StartUp, MissingSettingsInTheConfigFolderNamesThatFile) {
    globals.SettingsFolder = (dir_ / "config").string();
    globals.DefaultSettingsFile = (dir_ / "no-default.ini").string();
    EXPECT_FALSE(run());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "File not find\n" + (dir_ / "config" / "Twell.ini").string());
}

// Which folder holds the settings, by the facts of the program's folder.
TEST(SettingsPlace, PortableCopiesKeepTheirSettingsInstalledOnesUseTheUsersFolder) {
    using R = SettingsRule;
    const ProgramSurroundings onLinux{"/opt/tz/bin", "/home/op/.config/tidewell-z",
                                      "/home/op/Documents"};
    const ProgramSurroundings onWindows{"C:\\Program Files\\TIDEWELL-Z",
                                        "C:\\Users\\op\\AppData\\Roaming\\TIDEWELL-Z",
                                        "C:\\Users\\op\\Documents"};
    const std::string linuxShare = "/opt/tz/share/tidewell-z/Twell.ini";
    const std::string linuxOwn = "/opt/tz/bin/Twell.ini";
    const std::string windowsOwn = "C:\\Program Files\\TIDEWELL-Z\\Twell.ini";
    const struct {
        R rule;
        ProgramFolderFacts facts; // writable, holdsSettings, installedDefault, installed
        bool portable;
        std::string defaultFile;
    } cases[] = {
        // A build folder, a portable copy with or without an installation around it.
        {R::Linux, {true, false, false, false}, true, ""},
        {R::Linux, {true, true, false, false}, true, ""},
        {R::Linux, {true, true, true, false}, true, ""},
        // The package: /usr/bin beside /usr/share/tidewell-z, written by root or not.
        {R::Linux, {true, false, true, false}, false, linuxShare},
        {R::Linux, {false, false, true, false}, false, linuxShare},
        // A folder nobody may write holds the Twell.ini to start from.
        {R::Linux, {false, true, false, false}, false, linuxOwn},
        {R::Linux, {false, true, true, false}, false, linuxOwn},
        {R::Linux, {false, false, false, false}, false, ""},
        // Windows: a zip unpacked anywhere writable keeps both files beside itself.
        {R::Windows, {true, true, false, false}, true, ""},
        {R::Windows, {true, false, false, false}, true, ""},
        // Installed: never beside itself, even where it could write.
        {R::Windows, {true, true, false, true}, false, windowsOwn},
        {R::Windows, {false, true, false, true}, false, windowsOwn},
        {R::Windows, {false, true, false, false}, false, windowsOwn},
        {R::Windows, {false, false, false, true}, false, ""},
    };
    const auto slashes = [](std::string path) {
        std::replace(path.begin(), path.end(), '\\', '/');
        return path;
    };
    for (const auto& c : cases) {
        const ProgramSurroundings& around = c.rule == R::Linux ? onLinux : onWindows;
        const SettingsPlace place = decideSettingsPlace(c.rule, around, c.facts);
        const std::string label = std::string(c.rule == R::Linux ? "Linux" : "Windows") +
                                  " writable=" + std::to_string(c.facts.writable) +
                                  " own=" + std::to_string(c.facts.holdsSettings) +
                                  " share=" + std::to_string(c.facts.installedDefault) +
                                  " installed=" + std::to_string(c.facts.installed);
        EXPECT_EQ(place.settingsFolder, c.portable ? "" : around.userSettingsFolder) << label;
        EXPECT_EQ(place.documentFolder, c.portable ? "" : around.documentsFolder) << label;
        // The joins use this system's separator, whichever rule is tried.
        EXPECT_EQ(slashes(place.defaultSettingsFile), slashes(c.defaultFile)) << label;
    }
    // No user folder to go to: the program folder, as the only choice left.
    EXPECT_EQ(decideSettingsPlace(R::Linux, {"/usr/bin", "", "/"}, {false, false, true, false})
                  .settingsFolder,
              "");

    EXPECT_TRUE(insideFolder("C:\\PROGRAM FILES\\TIDEWELL-Z", "c:\\Program Files\\", R::Windows));
    EXPECT_TRUE(insideFolder("C:\\Program Files", "C:\\Program Files", R::Windows));
    EXPECT_FALSE(insideFolder("C:\\Program Files (x86)\\T", "C:\\Program Files", R::Windows));
    EXPECT_FALSE(insideFolder("/opt/Tz", "/opt/tz", R::Linux));
    EXPECT_FALSE(insideFolder("C:\\Tools", "", R::Windows));
#ifndef _WIN32 // absolute on Linux only
    EXPECT_EQ(linuxUserSettingsFolder("relative", "/home/op"), "/home/op/.config/tidewell-z");
    EXPECT_EQ(linuxUserSettingsFolder("/x", "/home/op"), "/x/tidewell-z");
#endif
    EXPECT_EQ(linuxUserSettingsFolder(nullptr, ""), "");
}

// The facts come from the real folder, and a read-only one is no failure:
// its Twell.ini becomes the user's own copy.
TEST_F(StartUp, ReadOnlyProgramFolderWithSettingsStartsFromThemInTheUsersFolder) {
    write("Twell.ini", "\"9600,N,8,1\"\r\nBeside\r\n");
    ProgramFolderFacts facts = examineProgramFolder(globals.ProgramFolder);
    EXPECT_TRUE(facts.writable && facts.holdsSettings && !facts.installedDefault);
#ifndef _WIN32
    if (::geteuid() == 0) return; // the superuser writes into read-only folders
    fs::permissions(dir_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    fs::permissions(dir_ / "Twell.ini", fs::perms::owner_write, fs::perm_options::remove);
    facts = examineProgramFolder(globals.ProgramFolder);
    EXPECT_FALSE(facts.writable);
    const test::TempDir home;
    const std::string config = home.file("tidewell-z");
    placeSettings(globals, {globals.ProgramFolder, config, home.file("")});
    EXPECT_EQ(globals.SettingsFolder, config);
    ASSERT_TRUE(run()) << (host.messages.empty() ? "" : host.messages[0].text);
    EXPECT_EQ(globals.ParamName[1], "Beside");
    // The copy is the user's to change.
    EXPECT_TRUE(std::ofstream(fs::path(config) / "Twell.ini", std::ios::app).is_open());
#endif
}

} // namespace
} // namespace tz
