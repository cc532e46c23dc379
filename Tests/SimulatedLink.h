#pragma once

#include "Source/Network/NetworkSettings.h"

// The settings that give a role its end of a simulated network, in milliseconds and percent.
inline NetworkSettings Simulated(float latency, float jitter, float loss = 0.0f, float duplication = 0.0f)
{
    NetworkSettings settings;
    settings.simulate = latency > 0.0f || loss > 0.0f;
    settings.latencyAmount = latency;
    settings.latencyVariance = jitter;
    settings.packetLoss = loss;
    settings.packetDuplication = duplication;
    return settings;
}
