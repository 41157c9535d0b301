// Start-up after the parts exist: the saved camera, the loader, the render targets, the
// MIDI controller, the parts' Init, the clock, the audio device and the music, then the
// watch on the data folders.
#include "app/demo.h"
#include "platform/audio.h"
#include "platform/platform.h"

#include <cstdio>

void StartUp(TDemo& demo, const TStartUpOptions& options)
{
    // A missing or short camera file is silent: missing changes nothing, short only
    // the leading bytes.
    ReadCameraFile(demo.state.camera, "FreeCam.bin");

    if (demo.loader) {
        demo.loader->state = &demo.state;
        demo.loader->Init();
    }

    // The four the scene uses, then four spare ones in the spare slots, in storage order.
    const int w = demo.glWindow.width, h = demo.glWindow.height;
    Create(demo.rtScene(), w, h, 8);
    Create(demo.rtOther(), w, h, 0);
    Create(demo.rtFinal(), w, h, 0);
    Create(demo.rtPost(), w, h, 0);
    Create(demo.targets[0], w, h, 0);
    Create(demo.targets[1], w / 4, h / 4, 4);
    Create(demo.targets[6], w / 4, h / 4, 0);
    Create(demo.targets[7], 1024, 1024, 0);

    // The scene reads the controller through this pointer, open or not.
    demo.state.nano = &demo.nano_kontrol2;
    if (options.midi) {
        MidiIn::printDeviceNames();
        if (!demo.nano_kontrol2.start(0))
            printf("nano_kontrol2.start() failed...\n");
    }

    for (Part* part : demo.parts) {
        part->state = &demo.state;
        part->demo = &demo;
        part->Init();
    }

    demo.state.lastTicks = SteadyTicks100ns();
    SleepMs(5);

    // Without a device nothing could play the music, so it is not decoded: the channel
    // handle stays 0 and its position at 0.
    if (options.audio && AudioStart()) {
        demo.musicSample = SampleLoad("other//tk22.mp3");
        demo.musicChannel = SampleGetChannel(demo.musicSample);
        ChannelPlay(demo.musicChannel, true);
    }

    if (options.watch)
        WatchDataFolders(demo);
}
