#pragma once

#include "Source/Network/NetworkSettings.h"

// One role's end of a simulated network, in milliseconds and percent, and the settings that give it
// to the role.
struct SimulatedLink
{
    float latency = 0.0f;
    float jitter = 0.0f;
    float loss = 0.0f;
    float duplication = 0.0f;
};

inline NetworkSettings Simulated(const SimulatedLink& link)
{
    NetworkSettings settings;
    settings.simulate = link.latency > 0.0f || link.loss > 0.0f;
    settings.latencyAmount = link.latency;
    settings.latencyVariance = link.jitter;
    settings.packetLoss = link.loss;
    settings.packetDuplication = link.duplication;
    return settings;
}
