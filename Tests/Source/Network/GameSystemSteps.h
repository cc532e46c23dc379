#pragma once

#include "Source/Network/Network.h"

// The game system's part of a networked match, played by a test each frame: a role that waits for it
// starts loading, begins play or starts the match, and, when asked, leaves the match it ended.
inline void TakeGameSystemSteps(Network& role, bool leave = false)
{
    switch (role.GetState())
    {
    case NetworkState::Configured:
        role.BeginLoading();
        break;
    case NetworkState::Loaded:
        role.BeginPreparing();
        break;
    case NetworkState::Prepared:
        role.BeginStarting();
        break;
    case NetworkState::Leaving:
        if (leave)
            role.BeginEnding();
        break;
    default:
        break;
    }
}
