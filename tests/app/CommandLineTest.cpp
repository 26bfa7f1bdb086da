#include "core/app/CommandLine.h"

#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <vector>

namespace {

TCommand Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "plotvane");
    return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

} // namespace

TEST(CommandLine, OnlyHelpAndVersionAnswerAndEverythingElseRunsTheProgram) {
    EXPECT_EQ(Parse({}), TCommand::Run);
    EXPECT_EQ(Parse({"--help"}), TCommand::Help);
    EXPECT_EQ(Parse({"--version"}), TCommand::Version);
    // What launchers and the logon entry may pass, and what is simply not ours.
    for (const char* other : {"%U", "%f", "-x", "--verbose", "-help", "--help=1", "help", "--Version", ""})
        EXPECT_EQ(Parse({other}), TCommand::Run) << other;
    EXPECT_EQ(Parse({"%U", "--version"}), TCommand::Version) << "wherever it stands";
    EXPECT_EQ(Parse({"--version", "--help"}), TCommand::Version) << "the first wins";
    EXPECT_EQ(Parse({"--help", "--version"}), TCommand::Help);
}

TEST(CommandLine, TheHelpListsBothOptionsAndTheVersionComesFromTheExecutablesNote) {
    const std::string help = HelpText();
    EXPECT_NE(help.find("--help"), std::string::npos);
    EXPECT_NE(help.find("--version"), std::string::npos);
    EXPECT_NE(help.find("plotvane(1)"), std::string::npos);
    EXPECT_EQ(help.back(), '\n');

    // The test build's own executable carries the note the build writes.
    EXPECT_EQ(VersionText(PLOTVANE_VERSIONED_EXE).rfind("Plotvane ", 0), 0u);
    EXPECT_NE(VersionText(PLOTVANE_VERSIONED_EXE), "Plotvane (version unknown)\n");
    TTempProfile profile;
    WriteFile(profile.Path("not-a-program"), "#!/bin/sh\n");
    EXPECT_EQ(VersionText(profile.Path("not-a-program")), "Plotvane (version unknown)\n");
    EXPECT_EQ(VersionText(profile.Path("missing")), "Plotvane (version unknown)\n");
}

TEST(ManualPage, RendersWithoutAWarningAndTellsWhatTheHelpAndTheReadmeTell) {
    QProcess groff;
    groff.start(QStringLiteral("groff"), {QStringLiteral("-ww"), QStringLiteral("-z"), QStringLiteral("-man"),
                                          QStringLiteral(PLOTVANE_SOURCE_DIR "/packaging/plotvane.1")});
    ASSERT_TRUE(groff.waitForFinished(10000)) << "groff (scripts/bootstrap installs groff-base)";
    EXPECT_EQ(groff.exitCode(), 0);
    EXPECT_EQ(groff.readAllStandardError().toStdString(), "") << "no warning of any kind";

    const std::string page = ReadFile(PLOTVANE_SOURCE_DIR "/packaging/plotvane.1");
    for (const char* told :
         {"\\-\\-help", "\\-\\-version", "registry.reg", "Plotvane/Cache/", "autostart/plotvane.desktop", "http_proxy",
          "QT_QPA_PLATFORM", "QT_LOGGING_RULES", "demo\\-service", "support@plotvane.example", ".SH SYNOPSIS",
          ".SH FILES", ".SH ENVIRONMENT", ".SH BUGS"})
        EXPECT_NE(page.find(told), std::string::npos) << told;
}
