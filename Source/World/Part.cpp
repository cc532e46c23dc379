#include "Source/World/Part.h"

#include "Source/Data/PartData.h"

#include <memory>

std::unique_ptr<Head> HeadData::CreatePart() const
{
    return std::make_unique<Head>();
}

std::unique_ptr<Core> CoreData::CreatePart() const
{
    return std::make_unique<Core>();
}

std::unique_ptr<Arms> ArmsData::CreatePart() const
{
    return std::make_unique<Arms>();
}

std::unique_ptr<Legs> LegsData::CreatePart() const
{
    return std::make_unique<Legs>();
}
