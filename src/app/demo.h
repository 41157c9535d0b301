// The application record: one TDemo per process, with the block of state that every
// timeline part sees through its `state` pointer.
#pragma once
#include "app/freecam.h"
#include "app/launcher.h"
#include "app/window.h"
#include "midi/midi.h"
#include "parts/part.h"
#include "parts/render_target.h"
#include "platform/file_watch.h"

#include <cstdint>
#include <string>
#include <vector>

struct TDemoState {
    NanoKONTROL2* nano = nullptr;
    float _nx = 0, _ny = 0, _nz = 0;   // faders 5..7 mapped to [-1, 1]
    int32_t _ix = 0, _iy = 0, _iz = 0; // the same faders, raw
    float _kx = 0, _ky = 0, _kz = 0;   // knobs 5..7 mapped to [-1, 1]
    float _k0 = 0, _k1 = 0, _k2 = 0, _k3 = 0, _k4 = 0, _k5 = 0;  // tweak values
    float mouseX = 0, mouseY = 0;      // mouse position over the window size
    float wheel = 0;                   // +-0.2 per notch
    float wheelDelta = 0;              // this frame's wheel direction
    std::string overlayLine1, overlayLine2, overlayLine3;
    float deltaTime = 0;               // duration of the last frame, seconds
    int32_t mousePixelX = 0, mousePixelY = 0;
    bool mouseLeft = false, mouseRight = false, mouseMiddle = false;
    bool keys[512] = {};               // held keys by SDL scancode
    bool running = true;
    bool showOverlay = true;
    TFreeCam camera;
    int64_t lastTicks = 0;             // steady clock of the previous frame, 100 ns ticks
};

// Indices into TDemo::targets.
enum { RT_SCENE = 2, RT_OTHER = 3, RT_FINAL = 4, RT_POST = 5 };

struct TDemo {
    int32_t width = 1920, height = 1080;  // the requested demo size
    bool fullscreen = false;
    TGLWindow glWindow;
    std::vector<Part*> parts;
    Part_Loader* loader = nullptr;
    TDemoState state;
    MyNanoKONTROL2 nano_kontrol2;
    TLauncherMenu launcher;
    float clock = 0;                      // demo clock, seconds
    RenderTarget targets[8];              // two spare, rtScene, rtOther, rtFinal, rtPost, two spare
    int32_t frameCounter = 0;
    float dragYaw = 0, dragPitch = 0;
    float prevMouseX = 0, prevMouseY = 0;
    int32_t prevPart = 0, currentPart = 0;
    uint32_t musicSample = 0, musicChannel = 0;
    bool launcherClosed = false;
    // The data folders, watched from the start-up on: saved shader sources and keyframe
    // tracks are read again between frames.
    TFileWatch fileWatch;

    TDemo();

    RenderTarget& rtScene() { return targets[RT_SCENE]; }
    RenderTarget& rtOther() { return targets[RT_OTHER]; }
    RenderTarget& rtFinal() { return targets[RT_FINAL]; }
    RenderTarget& rtPost() { return targets[RT_POST]; }
};

// Asset paths of the scene are DataPath followed by their names; empty, so relative
// to the working directory.
inline std::string DataPath;  // defined here, so the parts need nothing of the application to link

// Once per frame, first: mouse, frame time, the SDL event queue (Escape and window close
// end the process with status 0), then the camera step.
void HandleEvents(TDemo& demo);
// The free camera's share of the event step: drags and wheel.
void CameraStep(TDemo& demo);

// One launcher frame: clear, then (until the launcher is closed) mouse and menu drawing.
void LauncherFrame(TDemo& demo);

// The loader and the parts list (the scene), with the parts' flags set; the demo window
// (and its GL context) must exist. Used by the demo and the capture tool alike.
void CreateParts(TDemo& demo);

// What the start-up opens besides the scene. The capture tool opens none of it: no sound
// plays while it works, no controller may move the clock under it, and it renders what is on
// disk when it starts.
struct TStartUpOptions {
    bool audio = true;  // the audio device and the music channel
    bool midi = true;   // the device listing and MIDI input device 0
    bool watch = true;  // the watch on the data folders
};
// The watch on "shaders2" and "other" (the start-up's last step, unless its options leave it
// out); a folder that cannot be watched gives one line.
void WatchDataFolders(TDemo& demo);
// Hands every file saved and settled since the last call to every part (Part::FileSaved).
void ReloadSavedFiles(TDemo& demo);

// Start-up after the parts exist: camera file, loader, render targets, MIDI, parts' Init, music.
void StartUp(TDemo& demo, const TStartUpOptions& options = {});
// Every demo frame: clock, update and render of the current part, music sync, GL reset.
void FrameDriver(TDemo& demo);
// Every demo frame after the driver: GL reset, frame counter, the shader errors in red while
// a build has failed and, in debug builds, the overlay.
void DebugOverlay(TDemo& demo);
// A demo frame between the event step and the buffer swap: the saved files reloaded, the
// frame driver, then the overlay step. The demo and the capture tool both draw their
// frames with it.
void DemoFrame(TDemo& demo);
