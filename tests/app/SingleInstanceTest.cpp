#include "core/app/CommandLine.h"

#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <csignal>

namespace {

// The real program in a throw-away profile; its log of message 1025 goes to standard error.
class SingleInstanceTest : public ::testing::Test {
protected:
    TTempProfile profile;
    std::vector<std::unique_ptr<QProcess>> processes;

    void SetUp() override {
        profile.SetEnv("QT_QPA_PLATFORM", "offscreen");
        profile.SetEnv("QT_LOGGING_RULES", "plotvane.main.info=true");
    }

    void TearDown() override {
        for (auto& p : processes) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }

    QProcess& Start(const QStringList& args = {}) {
        processes.push_back(std::make_unique<QProcess>());
        QProcess& p = *processes.back();
        p.start(QStringLiteral(PLOTVANE_EXE), args);
        EXPECT_TRUE(p.waitForStarted(5000));
        return p;
    }

    // The first copy is ready once its message socket exists.
    bool WaitUntilListening(const QProcess& p) {
        const QString socket = QString::fromStdString(profile.Path("run/plotvane-")) + QString::number(p.processId()) +
                               QStringLiteral(".sock");
        for (int i = 0; i < 250; ++i) {
            if (QFile::exists(socket))
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    static bool Receives1025(QProcess& p) {
        QElapsedTimer timer;
        timer.start();
        QByteArray log;
        while (timer.elapsed() < 5000) {
            p.waitForReadyRead(100);
            log += p.readAllStandardError();
            if (log.contains("message 1025"))
                return true;
        }
        return false;
    }
};

} // namespace

TEST_F(SingleInstanceTest, SecondStartBringsTheFirstForwardAndEnds) {
    QProcess& first = Start();
    ASSERT_TRUE(WaitUntilListening(first));

    // A launcher's field codes and unknown options change nothing.
    for (const QStringList& args :
         {QStringList{}, QStringList{QStringLiteral("--verbose"), QStringLiteral("%U"), QStringLiteral("x")}}) {
        QProcess& second = Start(args);
        QElapsedTimer timer;
        timer.start();
        ASSERT_TRUE(second.waitForFinished(2000)) << "a second copy ends within 2 s, whatever its arguments";
        EXPECT_LT(timer.elapsed(), 2000);
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_TRUE(Receives1025(first));
    }
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(SingleInstanceTest, TwoCopiesStartedTogetherLeaveExactlyOne) {
    for (int round = 0; round < 3; ++round) {
        processes.clear();
        QProcess& a = Start();
        QProcess& b = Start();
        // QProcess learns that a child ended only while it waits or processes events.
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 3000 && a.state() == QProcess::Running && b.state() == QProcess::Running) {
            a.waitForFinished(25);
            b.waitForFinished(25);
        }
        a.waitForFinished(500);
        b.waitForFinished(500);
        const int running = (a.state() == QProcess::Running) + (b.state() == QProcess::Running);
        EXPECT_EQ(running, 1) << "round " << round;
        for (auto& p : processes) {
            p->kill();
            p->waitForFinished(3000);
        }
    }
}

TEST_F(SingleInstanceTest, ACopyThatDiedLeavesNoLockBehind) {
    QProcess& first = Start();
    ASSERT_TRUE(WaitUntilListening(first));
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    first.waitForFinished(3000);
    QProcess& next = Start();
    ASSERT_TRUE(WaitUntilListening(next));
    EXPECT_FALSE(next.waitForFinished(500));
    EXPECT_EQ(next.state(), QProcess::Running);
}

TEST_F(SingleInstanceTest, HelpAndVersionAnswerWithoutTouchingAnythingOrTheRunningCopy) {
    // Alone first: nothing may be made in the profile, not even the runtime folder's lock.
    const auto entries = [&] {
        QStringList all;
        QDirIterator it(QString::fromStdString(profile.Path("")),
                        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            all << it.next();
        all.sort();
        return all;
    };
    const QStringList before = entries();
    for (const char* option : {"--version", "--help"}) {
        QProcess& answer = Start({QString::fromLatin1(option), QStringLiteral("--whatever")});
        ASSERT_TRUE(answer.waitForFinished(5000)) << option;
        EXPECT_EQ(answer.exitCode(), 0) << option;
        const std::string out = answer.readAllStandardOutput().toStdString();
        EXPECT_EQ(out, std::string(option) == "--version" ? VersionText(PLOTVANE_EXE) : HelpText()) << option;
        EXPECT_EQ(entries(), before) << option << " made or changed nothing in the profile";
    }
    EXPECT_NE(VersionText(PLOTVANE_EXE).find("Plotvane 1."), std::string::npos) << VersionText(PLOTVANE_EXE);

    // With a copy running, it is not brought forward.
    QProcess& first = Start();
    ASSERT_TRUE(WaitUntilListening(first));
    QProcess& answer = Start({QStringLiteral("--version")});
    ASSERT_TRUE(answer.waitForFinished(5000));
    EXPECT_EQ(answer.exitCode(), 0);
    EXPECT_FALSE(Receives1025(first)) << "the running copy was not signalled";
}
