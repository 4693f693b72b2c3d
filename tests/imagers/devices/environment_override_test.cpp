#include "imagers/devices/environment_override.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

constexpr char kSet[] = "FW_TEST_OVERRIDE_SET";
constexpr char kUnset[] = "FW_TEST_OVERRIDE_UNSET";
constexpr char kEmpty[] = "FW_TEST_OVERRIDE_EMPTY";

class EnvironmentOverrideTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv(kSet, "user value");
        qunsetenv(kUnset);
        qputenv(kEmpty, "");
    }
    void TearDown() override
    {
        for (const char* name : { kSet, kUnset, kEmpty })
            qunsetenv(name);
    }
};

// Set, unset and empty variables each come back as they were, whatever was set in between and
// however often.
TEST_F(EnvironmentOverrideTest, RestoreBringsBackEachVariableAsItWas)
{
    TEnvironmentOverride override_;
    override_.Set(kSet, "first");
    override_.Set(kSet, "second");
    override_.Set(kUnset, "new");
    override_.Set(kEmpty, "filled");
    EXPECT_EQ(qgetenv(kSet), "second");
    EXPECT_EQ(qgetenv(kUnset), "new");
    override_.Restore();
    EXPECT_EQ(qgetenv(kSet), "user value");
    EXPECT_FALSE(qEnvironmentVariableIsSet(kUnset));
    EXPECT_TRUE(qEnvironmentVariableIsSet(kEmpty));
    EXPECT_EQ(qgetenv(kEmpty), "");

    // A second round starts from the restored state; a restore without sets changes nothing.
    override_.Set(kUnset, "again");
    override_.Restore();
    override_.Restore();
    EXPECT_FALSE(qEnvironmentVariableIsSet(kUnset));
    EXPECT_EQ(qgetenv(kSet), "user value");
}

TEST_F(EnvironmentOverrideTest, UserValuesWinOverDefaultsAndTheEndRestores)
{
    {
        TEnvironmentOverride override_;
        override_.SetUnlessSet(kSet, "default");
        override_.SetUnlessSet(kUnset, "default");
        EXPECT_EQ(qgetenv(kSet), "user value");
        EXPECT_EQ(qgetenv(kUnset), "default");
    }
    EXPECT_FALSE(qEnvironmentVariableIsSet(kUnset));
    EXPECT_EQ(qgetenv(kSet), "user value");
}

} // namespace
} // namespace fw
