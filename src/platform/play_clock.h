// The playing position of a music channel, worked out from what the audio device has been
// handed. The device asks for a buffer when it is ready to play it, so the first byte of the
// buffer handed over last is what plays at that moment; from there the position runs on
// with the steady clock at the music's rate, but never past the end of what was handed
// over, and a reading never goes below the one before it until the channel is moved.
// Between buffers the position thus moves smoothly instead of in buffer-sized steps, and
// it never runs ahead of the sound by the buffer the device still holds.
#pragma once
#include <cstdint>

struct TPlayClock {
    uint64_t start = 0;     // position (bytes) of the first byte of the buffer handed over last
    uint64_t end = 0;       // the position just after it: nothing beyond has been handed over
    int64_t handedAt = 0;   // steady clock (100 ns ticks) when it was handed over; 0: not since the move
    uint64_t lastRead = 0;  // the last reading
};

// A buffer holding the music from `start` up to `end` went to the device at `ticks`.
void ClockHanded(TPlayClock& clock, uint64_t start, uint64_t end, int64_t ticks);
// The channel was moved (a seek or a restart): the position is `position` until the
// device is handed the music from there.
void ClockMoved(TPlayClock& clock, uint64_t position);
// The playing position at `ticks`, in bytes, a whole stereo frame; `bytesPerSecond` is the
// music's rate.
uint64_t ClockRead(TPlayClock& clock, int64_t ticks, uint64_t bytesPerSecond);
