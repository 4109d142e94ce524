// Single instance: a second start finds the first through its local socket,
// asks it to come to the front, and a crashed run's socket blocks nothing.
#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "shell/single_instance.h"

namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    void TearDown() override { StopListeningForInstances(); }

    // Unique per test process, so a running program or a parallel test is never reached.
    const QString title_ = QStringLiteral("VolumetraTest%1").arg(QCoreApplication::applicationPid());
    // The socket's name: the title and the user.
    const QString socketName_ = title_ + u'-' + QString::number(getuid());
    int activations_ = 0;
};

TEST_F(SingleInstanceTest, NoInstanceAnswersWhenNoneRuns) {
    EXPECT_FALSE(ActivateRunningInstance(title_));
}

TEST_F(SingleInstanceTest, SecondStartBringsTheFirstForward) {
    ASSERT_TRUE(ListenForInstances(title_, [this] { ++activations_; }));
    EXPECT_TRUE(ActivateRunningInstance(title_));
    EXPECT_TRUE(QTest::qWaitFor([this] { return activations_ == 1; }, 5000));
    EXPECT_TRUE(ActivateRunningInstance(title_));
    EXPECT_TRUE(QTest::qWaitFor([this] { return activations_ == 2; }, 5000));
    // Another program's title is another instance.
    EXPECT_FALSE(ActivateRunningInstance(title_ + "Other"));
}

TEST_F(SingleInstanceTest, SocketOfACrashedRunIsReplaced) {
    // A socket bound and never unlinked, as a killed process leaves it.
    const QByteArray path = QDir(QDir::tempPath()).filePath(socketName_).toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<size_t>(path.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), path.size());
    const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(stale, 0);
    ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(stale);

    EXPECT_FALSE(ActivateRunningInstance(title_));
    ASSERT_TRUE(ListenForInstances(title_, [this] { ++activations_; }));
    EXPECT_TRUE(ActivateRunningInstance(title_));
    EXPECT_TRUE(QTest::qWaitFor([this] { return activations_ == 1; }, 5000));
}

TEST_F(SingleInstanceTest, LiveInstanceKeepsItsSocket) {
    QLocalServer first;
    ASSERT_TRUE(first.listen(socketName_));
    EXPECT_FALSE(ListenForInstances(title_, [this] { ++activations_; }));
    EXPECT_TRUE(ActivateRunningInstance(title_));
    EXPECT_TRUE(QTest::qWaitFor([&first] { return first.hasPendingConnections(); }, 5000));
    EXPECT_EQ(activations_, 0);
}

}  // namespace
