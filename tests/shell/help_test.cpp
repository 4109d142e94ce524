// Where Help finds its page: beside a built program, or in the data folder of
// an installation under any prefix, and never in the tree it was built from.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "shell/help.h"

namespace {

void WritePage(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile page(path);
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html></html>");
}

TEST(HelpPage, FoundBesideTheProgramElseInTheInstalledDataFolder) {
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString bin = prefix.path() + "/bin";
    ASSERT_TRUE(QDir().mkpath(bin));
    EXPECT_EQ(HelpPagePathFrom(bin), QString());

    WritePage(prefix.path() + "/share/volumetra/vmetra.htm");
    EXPECT_EQ(HelpPagePathFrom(bin), QDir::cleanPath(prefix.path() + "/share/volumetra/vmetra.htm"));

    WritePage(bin + "/vmetra.htm");
    EXPECT_EQ(HelpPagePathFrom(bin), bin + "/vmetra.htm");
}

}  // namespace
