// Move to Trash on this machine's storage, checked with the desktop's own
// tools: `gio trash --list` must see every moved entry with its original
// path, and `gio trash --restore` must bring it back. The trash is a
// temporary data folder (XDG_DATA_HOME), never the user's own.
#include "platform/host_device.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host_names.h"
#include "support/host_files.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool Exists(const std::string& path) {
    struct stat facts;
    return lstat(path.c_str(), &facts) == 0;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// What a shell command printed on its standard output.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t read;
        while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, read);
        pclose(pipe);
    }
    return text;
}

// A path as `gio trash --list` prints it: printable ASCII as it is, every
// other byte and the backslash as \xNN.
std::string GioShown(const std::string& bytes) {
    static const char HEX[] = "0123456789abcdef";
    std::string shown;
    for (unsigned char byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            shown.push_back(static_cast<char>(byte));
        } else {
            shown += "\\x";
            shown.push_back(HEX[byte >> 4]);
            shown.push_back(HEX[byte & 0xF]);
        }
    }
    return shown;
}

// The program path of a host path below the device root.
std::u16string ProgramPath(const std::string& relative) {
    std::vector<char16_t> decoded;
    std::u16string path = u"\\";
    size_t start = 0;
    while (start <= relative.size()) {
        size_t slash = relative.find('/', start);
        if (slash == std::string::npos) slash = relative.size();
        decoded.clear();
        DecodeHostName(relative.data() + start, slash - start, &decoded);
        if (path.size() > 1) path += u'\\';
        path.append(decoded.begin(), decoded.end());
        start = slash + 1;
    }
    return path;
}

class HostTrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.IsValid());
        drive = fixture.root + "/drive";
        data = fixture.root + "/data";
        mkdir(drive.c_str(), 0755);
        trashHere = std::make_unique<ScopedDataHome>(data);
        device = std::make_unique<HostDevice>(drive);
    }
    // gio's list of the trash: original path -> the entry's trash address.
    // gio lists the trash of every mounted file system, so only what comes
    // from this test's own folder counts: a test beside it may be trashing
    // on a card of its own.
    std::map<std::string, std::string> GioList() {
        std::string text = Output("XDG_DATA_HOME=" + Quoted(data) + " dbus-run-session -- gio trash --list 2>/dev/null");
        std::map<std::string, std::string> listed;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            size_t tab = line.find('\t');
            if (tab == std::string::npos || line.compare(tab + 1, fixture.root.size(), fixture.root) != 0) continue;
            listed[line.substr(tab + 1)] = line.substr(0, tab);
        }
        return listed;
    }
    void GioRestore(const std::vector<std::string>& addresses) {
        std::string commands;
        for (const std::string& address : addresses) commands += "gio trash --restore " + Quoted(address) + "; ";
        Output("XDG_DATA_HOME=" + Quoted(data) + " dbus-run-session -- sh -c " + Quoted(commands) + " 2>/dev/null");
    }
    bool Trash(const std::string& relative, bool folder) {
        return device->MoveToTrash(ProgramPath(relative).c_str(), folder);
    }

    FixtureFolder fixture;
    std::string drive;
    std::string data;
    std::unique_ptr<ScopedDataHome> trashHere;
    std::unique_ptr<HostDevice> device;
};

TEST_F(HostTrashTest, EntriesGoToTheHomeTrashWithTheirInfoAndGioRestoresThem) {
    mkdir((drive + "/x").c_str(), 0755);
    mkdir((drive + "/y").c_str(), 0755);
    mkdir((drive + "/folder").c_str(), 0755);
    mkdir((drive + "/folder/inner").c_str(), 0755);
    WriteFile(drive + "/folder/inner/deep.txt", 7);
    WriteFile(drive + "/file.txt", 3);
    WriteFile(drive + "/x/same.txt", 11);
    WriteFile(drive + "/y/same.txt", 12);
    // A read-only file goes without a question: nothing is destroyed.
    WriteFile(drive + "/locked.txt", 5);
    chmod((drive + "/locked.txt").c_str(), 0444);
    const std::vector<std::pair<std::string, bool>> entries = {
        {"file.txt", false}, {"folder", true}, {"x/same.txt", false}, {"y/same.txt", false}, {"locked.txt", false}};
    for (const auto& [relative, folder] : entries) EXPECT_TRUE(Trash(relative, folder)) << relative;
    for (const auto& [relative, folder] : entries) EXPECT_FALSE(Exists(drive + "/" + relative)) << relative;

    // Two entries of one name: the second gets a name of its own.
    EXPECT_TRUE(Exists(data + "/Trash/files/same.txt"));
    EXPECT_TRUE(Exists(data + "/Trash/files/same.txt.2"));
    std::string info = ReadAll(data + "/Trash/info/file.txt.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + drive + "/file.txt\nDeletionDate=", 0), 0u) << info;
    EXPECT_EQ(info.size(), std::string("[Trash Info]\nPath=" + drive + "/file.txt\nDeletionDate=2026-12-11T01:02:03\n").size());
    struct stat facts;
    ASSERT_EQ(stat((data + "/Trash").c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 0777, 0700u);

    std::map<std::string, std::string> listed = GioList();
    std::vector<std::string> addresses;
    for (const auto& [relative, folder] : entries) {
        auto found = listed.find(drive + "/" + relative);
        ASSERT_NE(found, listed.end()) << relative;
        addresses.push_back(found->second);
    }
    GioRestore(addresses);
    EXPECT_EQ(ReadAll(drive + "/folder/inner/deep.txt"), std::string(7, 'x'));
    EXPECT_EQ(ReadAll(drive + "/x/same.txt"), std::string(11, 'x'));
    EXPECT_EQ(ReadAll(drive + "/y/same.txt"), std::string(12, 'x'));
    EXPECT_EQ(ReadAll(drive + "/file.txt"), std::string(3, 'x'));
    EXPECT_TRUE(GioList().empty());
}

TEST_F(HostTrashTest, NamesOfAnyBytesAreRecordedByteForByte) {
    const std::vector<std::string> names = {"new\nline", std::string("bad\xFF\xFE", 5) + "z", "back\\slash",
                                            "per%cent", "caf\xC3\xA9", "sp ace \"q\""};
    for (const std::string& name : names) {
        WriteFile(drive + "/" + name, name.size());
        EXPECT_TRUE(Trash(name, false)) << name;
        EXPECT_FALSE(Exists(drive + "/" + name)) << name;
    }
    // gio decodes each info file back to the very bytes of the original.
    std::map<std::string, std::string> listed = GioList();
    ASSERT_EQ(listed.size(), names.size());
    for (const std::string& name : names) {
        ASSERT_TRUE(listed.count(GioShown(drive + "/" + name))) << GioShown(name);
        // The entry itself keeps its name and content in the trash.
        EXPECT_EQ(ReadAll(data + "/Trash/files/" + name), std::string(name.size(), 'x'));
    }
    // gio's restore writes such names in its shown form; a plain one it
    // restores as it was.
    GioRestore({listed.at(GioShown(drive + "/sp ace \"q\""))});
    EXPECT_EQ(ReadAll(drive + "/sp ace \"q\""), std::string(10, 'x'));
}

TEST_F(HostTrashTest, ALinkOrAReplacementOnTheWayPutsNothingInTheTrash) {
    // A canary outside the drive, and a folder the scan saw that became a
    // link to it; and a file the scan saw that became a folder.
    std::string canary = fixture.root + "/canary";
    mkdir(canary.c_str(), 0755);
    mkdir((canary + "/inner").c_str(), 0755);
    WriteFile(canary + "/inner/keep.txt", 9);
    symlink(canary.c_str(), (drive + "/swapped").c_str());
    mkdir((drive + "/was-file").c_str(), 0755);
    WriteFile(drive + "/was-file/content.txt", 4);

    EXPECT_FALSE(Trash("swapped/inner", true));
    EXPECT_FALSE(Trash("swapped/inner/keep.txt", false));
    EXPECT_FALSE(Trash("was-file", false));
    // The link itself is an entry of its own: as a folder it is refused.
    EXPECT_FALSE(Trash("swapped", true));

    EXPECT_EQ(ReadAll(canary + "/inner/keep.txt"), std::string(9, 'x'));
    EXPECT_EQ(ReadAll(drive + "/was-file/content.txt"), std::string(4, 'x'));
    EXPECT_TRUE(Exists(drive + "/swapped"));
    EXPECT_TRUE(GioList().empty());
    for (const char* part : {"/Trash/files", "/Trash/info"})
        EXPECT_EQ(Output("ls -A " + Quoted(data + part) + " 2>/dev/null"), "") << part;
}

TEST_F(HostTrashTest, WithoutAUsableTrashTheEntryStaysAndTheDeviceSaysSo) {
    // The data folder cannot be made: a file stands where a folder would.
    WriteFile(fixture.root + "/blocked", 1);
    setenv("XDG_DATA_HOME", (fixture.root + "/blocked/data").c_str(), 1);
    HostDevice blocked(drive);
    WriteFile(drive + "/stay.txt", 6);
    EXPECT_FALSE(blocked.MoveToTrash(u"\\stay.txt", false));
    EXPECT_EQ(blocked.LastError(), DEVICE_NO_TRASH);
    EXPECT_EQ(ReadAll(drive + "/stay.txt"), std::string(6, 'x'));
}

// A file system of its own mounted inside the drive, a storage card: its
// entries go to a trash on that file system, with paths relative to its top.
class CardTrashTest : public HostTrashTest {
protected:
    void SetUp() override {
        HostTrashTest::SetUp();
        if (getuid() != 0) GTEST_SKIP() << "mounting a card file system needs root";
        card = drive + "/card";
        image = fixture.root + "/card.img";
        mkdir(card.c_str(), 0755);
        std::string made = Output("truncate -s 16M " + Quoted(image) + " && mkfs.ext4 -q -F " + Quoted(image) +
                                  " >/dev/null 2>&1 && mount -o loop " + Quoted(image) + " " + Quoted(card) +
                                  " >/dev/null 2>&1 && echo mounted");
        if (made.find("mounted") == std::string::npos)
            GTEST_SKIP() << "this machine cannot loop-mount an ext4 image (no loop device or no permission)";
        mounted = true;
        mkdir((card + "/x").c_str(), 0755);
        WriteFile(card + "/x/on-card.txt", 13);
        device = std::make_unique<HostDevice>(drive);
    }
    void TearDown() override {
        if (mounted) umount2(card.c_str(), MNT_DETACH);
    }
    std::string card;
    std::string image;
    bool mounted = false;
};

TEST_F(CardTrashTest, ACardsEntriesGoToTheTrashOnTheCardAndComeBack) {
    // No shared trash yet: the user's own .Trash-<uid>, made private.
    EXPECT_TRUE(device->MoveToTrash(u"card\\x\\on-card.txt", false));
    std::string own = card + "/.Trash-" + std::to_string(getuid());
    EXPECT_EQ(ReadAll(own + "/files/on-card.txt"), std::string(13, 'x'));
    std::string info = ReadAll(own + "/info/on-card.txt.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=x/on-card.txt\n", 0), 0u) << info;
    struct stat facts;
    ASSERT_EQ(stat(own.c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 0777, 0700u);

    std::map<std::string, std::string> listed = GioList();
    ASSERT_TRUE(listed.count(card + "/x/on-card.txt"));
    GioRestore({listed.at(card + "/x/on-card.txt")});
    EXPECT_EQ(ReadAll(card + "/x/on-card.txt"), std::string(13, 'x'));

    // A shared .Trash without the sticky bit is not used; with it, the
    // user's folder inside it is.
    mkdir((card + "/.Trash").c_str(), 0777);
    chmod((card + "/.Trash").c_str(), 0777);
    EXPECT_TRUE(device->MoveToTrash(u"card\\x\\on-card.txt", false));
    EXPECT_TRUE(Exists(own + "/files/on-card.txt"));
    WriteFile(card + "/x/second.txt", 2);
    chmod((card + "/.Trash").c_str(), 01777);
    EXPECT_TRUE(device->MoveToTrash(u"card\\x\\second.txt", false));
    EXPECT_TRUE(Exists(card + "/.Trash/" + std::to_string(getuid()) + "/files/second.txt"));
}

}  // namespace
