#include "Source/Ui/Screens/Attributes.h"

#include "Engine/Runtime/Gui/TextContent.h"
#include "Source/Data/GameConfiguration.h"
#include "Source/Data/Profile.h"
#include "Source/Ui/Kit/ScrollerPage.h"
#include "Source/Ui/UiResources.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"
#include "Tests/Source/Ui/PickerTesting.h"

#include <gtest/gtest.h>

namespace
{

using namespace Lumvek::GuiTesting;
using Lumvek::ControllerButton;

TEST(FormatAttributeValue, PercentagesAndSignedValues)
{
    const struct
    {
        int32_t value;
        bool percent;
        const char* text;
    } cases[] = {{125, true, "125%"}, {0, true, "0%"}, {50, false, "+50"}, {0, false, "+0"}, {-50, false, "-50"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatAttributeValue(c.value, c.percent), c.text);
}

class AttributePickers : public PickerTest
{
protected:
    std::string CircleText(uint32_t item)
    {
        Lumvek::Element& element = *Top<Screen>()->GetElement("Scroller")->GetChildren().at(item);
        return static_cast<const Lumvek::TextContent&>(*element.GetChildren().at(0)->content).text;
    }
};

TEST_F(AttributePickers, SettingsAreShownAndStoredInHundredths)
{
    configuration.attributes[0] = 1.25f;
    configuration.attributes[20] = -0.5f;
    AttributesSelect::Reopen(*app.gui, frontEnd, nullptr, 0, 0);
    Settle();
    EXPECT_EQ(CircleText(0), "125%");
    EXPECT_EQ(CircleText(20), "-50");
    EXPECT_EQ(CircleText(22), "100%");

    // HEALTH: 1.25 is none of the settings, so the picker opens on the first.
    Tap(ControllerButton::A);
    Settle();
    auto* health = Top<IntSelect<AttributesSelect>>();
    ASSERT_NE(health, nullptr);
    EXPECT_EQ(FindScroller(*health)->selected, 0u);
    EXPECT_EQ(GetHeaderText(*health), "HEALTH: 0%");
    EXPECT_EQ(health->values.size(), 4u);
    MoveTo(3);
    // The value items leave the header alone.
    EXPECT_EQ(GetHeaderText(*health), "HEALTH: 0%");
    Tap(ControllerButton::A);
    Settle();
    EXPECT_FLOAT_EQ(configuration.attributes[0], 2.0f);
    ASSERT_NE(Top<AttributesSelect>(), nullptr);
    EXPECT_EQ(CircleText(0), "200%");

    // NOISINESS +50.
    MoveTo(20);
    Tap(ControllerButton::A);
    Settle();
    ASSERT_NE(Top<IntSelect<AttributesSelect>>(), nullptr);
    EXPECT_EQ(CircleText(1), "+50");
    MoveTo(1);
    Tap(ControllerButton::A);
    Settle();
    EXPECT_FLOAT_EQ(configuration.attributes[20], 0.5f);
    ASSERT_NE(Top<AttributesSelect>(), nullptr);
    EXPECT_EQ(Top<AttributesSelect>()->row, 20u);

    // The part bonuses: five settings; back writes nothing.
    for (uint32_t index : {22u, 23u})
    {
        MoveTo(index);
        Tap(ControllerButton::A);
        Settle();
        auto* bonus = Top<IntSelect<AttributesSelect>>();
        ASSERT_NE(bonus, nullptr);
        EXPECT_EQ(bonus->values, (std::vector<uint32_t>{0, 50, 100, 150, 200}));
        EXPECT_EQ(FindScroller(*bonus)->selected, 2u);
        MoveTo(0);
        Tap(ControllerButton::B);
        Settle();
        EXPECT_FLOAT_EQ(configuration.attributes[index], 1.0f);
    }
}

} // namespace
