#include "core/app/CrashReport.h"
#include "core/settings/OptionsUnit.h"

#include <gtest/gtest.h>

TEST(BugReport, SaysWhetherACodeIsSetNeverWhichAndAsksForALog) {
    SetDefaultConfig();
    Config.NetFlixID = "SECRET-CODE-123";
    const std::string report = crashreport::BugReport("1.0.0.1");
    SetDefaultConfig();
    EXPECT_NE(report.find("Plotvane version: 1.0.0.1"), std::string::npos);
    EXPECT_NE(report.find("Feed code: set"), std::string::npos);
    EXPECT_EQ(report.find("SECRET"), std::string::npos) << "the code opens the member's feeds to anyone";
    EXPECT_NE(report.find("QT_LOGGING_RULES='plotvane.*=true' plotvane"), std::string::npos)
        << "the member is told how to get a log";
    EXPECT_LT(report.find("What happened:"), report.find("A log helps")) << "the member's words come first";
}
