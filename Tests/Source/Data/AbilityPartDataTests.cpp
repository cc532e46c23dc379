#include "Source/Data/AbilityPartData.h"

#include "Tests/LogCapture.h"
#include "Tests/Source/Data/DefinitionTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace DataTesting;

TEST(AbilityPartData, AFallingSpeedFactorThatCannotBeUndoneCountsAsOne)
{
    struct Case
    {
        const char* value;
        float expected;
        bool logged;
    };
    // 1e39 is beyond a float's range: it is refused with a message, and the default stays.
    const Case cases[] = {{"0.3", 0.3f, false}, {"0.0", 1.0f, true}, {"1e39", 0.5f, true}, {"-2.0", -2.0f, false}};
    for (const Case& test : cases)
    {
        Lumvek::Testing::LogCapture log;
        HelicopterHatData hat;
        hat.name = "Rotor";
        ReadDefinition(hat, std::string(R"({"MaximumFallingSpeedModifier": )") + test.value + "}");
        EXPECT_EQ(hat.maximumFallingSpeedModifier, test.expected) << test.value;
        EXPECT_EQ(log.messages.size(), test.logged ? 1u : 0u) << test.value;
    }
    Lumvek::Testing::LogCapture log;
    HelicopterHatData hat;
    hat.name = "Rotor";
    ReadDefinition(hat, R"({"MaximumFallingSpeedModifier": 0.0})");
    EXPECT_TRUE(
        log.Logged("MaximumFallingSpeedModifier holds 0.0, which was not taken: 0 cannot be undone; it counts as 1"))
        << (log.messages.empty() ? std::string() : log.messages.front());
}
