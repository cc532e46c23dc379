#pragma once

#include "Source/Ui/Screens/CustomGame.h"

#include <cstdint>
#include <string>
#include <vector>

// The label of an attribute of the set-up ("HEALTH" ...); empty past the last one.
std::string AttributeLabel(uint32_t index);
// A setting in hundredths: "150%" as a percentage, else signed ("+50", "-50").
std::string FormatAttributeValue(int32_t value, bool percent);

// The 24 player attributes of the set-up with their settings; each opens its value picker.
class AttributesSelect final : public FlowSelector
{
public:
    AttributesSelect(FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t row)
        : FlowSelector(frontEnd, backdrop), row(row)
    {
    }

    static AttributesSelect& Reopen(Lumvek::Gui& gui, FrontEnd& frontEnd, CustomGameScreen* backdrop, uint32_t owner,
                                    uint32_t row);

    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;

    uint32_t row;
};

// A short list of whole settings, in hundredths, for one value of the set-up.
template <class Owner> class IntSelect final : public FlowSelector
{
public:
    IntSelect(FrontEnd& frontEnd, CustomGameScreen* backdrop, std::vector<uint32_t> values, float& target,
              uint32_t index, bool percent)
        : FlowSelector(frontEnd, backdrop), title("-SELECT " + AttributeLabel(index) + "-"),
          label(AttributeLabel(index)), percent(percent), index(index), target(target), values(std::move(values))
    {
    }

    void Setup() override;
    void OnSelect(uint32_t player) override;
    void OnBack(uint32_t player) override;

    // The last setting equal to the value, or the first when none is.
    uint32_t CurrentPosition() const;

    std::string title;
    std::string label;
    bool percent;
    uint32_t index;
    float& target;
    std::vector<uint32_t> values;
};
