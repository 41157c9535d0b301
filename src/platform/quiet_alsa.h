// While one of these lives, ALSA's library keeps its own error lines off the console:
// probing for a sound card or a MIDI sequencer that is not there is reported once, by
// the caller, instead of by a screenful of library messages. Nothing elsewhere.
#pragma once

struct QuietAlsa {
    QuietAlsa();
    ~QuietAlsa();
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;
};
