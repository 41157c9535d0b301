// What the frame driver shares with the debug overlay: the GL state every pass leaves
// behind, and the music-sync constants.
#pragma once
#include <cstdint>

// Music follows the current part's clock: a larger difference triggers a seek, which
// places the music this far ahead of the part.
constexpr float kMusicDriftTolerance = 0.05f;
constexpr float kMusicSeekLead = 0.03f;

// Moves the music channel to the part's time plus the lead when the two differ by more
// than the tolerance. A negative target seeks to 0.
void SyncMusic(uint32_t channel, float partTime);
