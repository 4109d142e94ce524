// Host folders named on the command line turned into program places: the
// drive that holds them, the components below it, and the folders that
// cannot be places.
#include "platform/host_place.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/host_device.h"
#include "platform/host_names.h"

namespace {

using Components = std::vector<std::u16string>;

// "odd name" with a space, an undecodable byte and a literal backslash.
const std::string ODD_NAME = "odd \xff na\\me";
const std::u16string ODD_TEXT = std::u16string(u"odd ") + char16_t(0xDCFF) + u" na" + HOST_BACKSLASH + u"me";

class HostPlace : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        char resolved[PATH_MAX];
        ASSERT_NE(realpath(folder.path().toLocal8Bit().constData(), resolved), nullptr);
        root = resolved;
        for (const char* path : {"/a", "/a/b", "/cards", "/cards/sd", "/cards/sd/photos", "/cards/sd/inner",
                                 "/cards/sd/inner/deep", "/cards/sdx", "/cards/other", "/cards/other/x"})
            ASSERT_EQ(mkdir((root + path).c_str(), 0755), 0) << path;
        ASSERT_EQ(mkdir((root + "/" + ODD_NAME).c_str(), 0755), 0);
        std::ofstream(root + "/file.txt") << "x";
        ASSERT_EQ(symlink((root + "/a/b").c_str(), (root + "/link").c_str()), 0);
        ASSERT_EQ(symlink("/", (root + "/out").c_str()), 0);

        // The fixture's cards share its file system, as a bind mount would;
        // "cards/other" claims a file system its folders do not lie on.
        struct stat facts;
        ASSERT_EQ(stat(root.c_str(), &facts), 0);
        cards = {{"cards/sd", facts.st_dev}, {"cards/sd/inner", facts.st_dev}, {"cards/other", facts.st_dev + 1}};

        char working[PATH_MAX];
        ASSERT_NE(getcwd(working, sizeof working), nullptr);
        previousFolder = working;
        ASSERT_EQ(chdir(root.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(previousFolder.c_str()), 0);
        // Qt cannot name the undecodable byte, so it cannot remove this one.
        rmdir((root + "/" + ODD_NAME).c_str());
    }

    HostPlaceStatus Place(const std::string& path, Components* components) {
        int error = 0;
        return HostFolderPlace(root, cards, path, components, &error);
    }

    QTemporaryDir folder;
    std::string root;
    std::string previousFolder;
    std::vector<HostCard> cards;
};

// The program path of a place's components, as PathListToText writes it.
std::u16string ProgramPath(const Components& components) {
    std::u16string text;
    for (size_t i = 0; i < components.size(); ++i) {
        text += components[i];
        if (i + 1 < components.size() && (text.empty() || text.back() != u'\\')) text += u'\\';
    }
    return text;
}

TEST_F(HostPlace, FoldersBecomePlacesOnTheDriveThatHoldsThem) {
    struct Case {
        std::string path;         // "@" stands for the fixture root
        std::string hostFolder;   // where the place leads, below the root
        Components components;
    };
    const Case cases[] = {
        {"@", "", {u"\\", u""}},
        {"@/", "", {u"\\", u""}},
        {"@/a/b", "/a/b", {u"\\", u"a", u"b", u""}},
        {"@/a/b//", "/a/b", {u"\\", u"a", u"b", u""}},
        {"a/b", "/a/b", {u"\\", u"a", u"b", u""}},
        {"./a/../a/b/", "/a/b", {u"\\", u"a", u"b", u""}},
        {".", "", {u"\\", u""}},
        {"@/cards", "/cards", {u"\\", u"cards", u""}},
        {"@/cards/sd", "/cards/sd", {u"cards/sd", u""}},
        {"cards/sd/photos", "/cards/sd/photos", {u"cards/sd", u"photos", u""}},
        {"@/cards/sd/inner/deep", "/cards/sd/inner/deep", {u"cards/sd/inner", u"deep", u""}},
        {"@/cards/sdx", "/cards/sdx", {u"\\", u"cards", u"sdx", u""}},
        {"@/link", "/a/b", {u"\\", u"a", u"b", u""}},
        {ODD_NAME, "/" + ODD_NAME, {u"\\", ODD_TEXT, u""}},
    };
    HostDevice device(root);
    for (const Case& c : cases) {
        std::string path = c.path[0] == '@' ? root + c.path.substr(1) : c.path;
        Components components;
        ASSERT_EQ(Place(path, &components), HOST_PLACE_OK) << c.path;
        EXPECT_EQ(components, c.components) << c.path;
        // The place leads back to the same host folder, byte for byte.
        std::string hostPath;
        ASSERT_TRUE(device.HostPath(ProgramPath(components).c_str(), &hostPath)) << c.path;
        EXPECT_EQ(hostPath, root + c.hostFolder + "/") << c.path;
    }
    FolderListing listing;
    EXPECT_TRUE(device.ReadFolder(ProgramPath({u"\\", ODD_TEXT, u""}).c_str(), &listing));
}

TEST_F(HostPlace, FoldersThatCannotBePlacesSayWhy) {
    struct Case {
        std::string path;
        HostPlaceStatus status;
    };
    const Case cases[] = {
        {"", HOST_PLACE_MISSING},
        {"@/nope", HOST_PLACE_MISSING},
        {"nope/deeper", HOST_PLACE_MISSING},
        {"@/file.txt/x", HOST_PLACE_MISSING},
        {"@/file.txt", HOST_PLACE_NOT_FOLDER},
        {"file.txt/", HOST_PLACE_NOT_FOLDER},
        {"/", HOST_PLACE_OUTSIDE_ROOT},
        {"..", HOST_PLACE_OUTSIDE_ROOT},
        {"@/out", HOST_PLACE_OUTSIDE_ROOT},
        {"@/cards/other/x", HOST_PLACE_NOT_ON_DRIVE},
    };
    for (const Case& c : cases) {
        std::string path = !c.path.empty() && c.path[0] == '@' ? root + c.path.substr(1) : c.path;
        Components components{u"left over"};
        EXPECT_EQ(Place(path, &components), c.status) << c.path;
        EXPECT_TRUE(components.empty()) << c.path;
    }
}

TEST_F(HostPlace, ARootThatIsAPrefixOfAnotherFolderDoesNotHoldIt) {
    // "<root>x" starts with the root's text but lies beside it.
    std::string beside = root + "x";
    ASSERT_EQ(mkdir(beside.c_str(), 0755), 0);
    Components components;
    EXPECT_EQ(Place(beside, &components), HOST_PLACE_OUTSIDE_ROOT);
    rmdir(beside.c_str());
}

TEST(HostPlaceOnThisMachine, PseudoFileSystemsAreOnNoDrive) {
    HostDevice device("/");
    Components components;
    int error = 0;
    EXPECT_EQ(HostFolderPlace("/", device.StorageCards(), "/proc/self", &components, &error),
              HOST_PLACE_NOT_ON_DRIVE);
    EXPECT_EQ(HostFolderPlace("/", device.StorageCards(), "/", &components, &error), HOST_PLACE_OK);
    EXPECT_EQ(components, (Components{u"\\", u""}));
}

}  // namespace
