// The capture's frame loop: the demo's own frame step on a fixed clock, each part's time set
// so that its Update lands on the planned time, kept frames read back through the ring.
#include "capture.h"

#include "app/demo.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdio>
#include <deque>

void DrainEvents()
{
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
}

void EndFrame(TDemo& demo, const TPlannedFrame& frame)
{
    // Frames that draw end as the demo's do; the others only queue compute work.
    if (frame.draw)
        SDL_GL_SwapWindow(demo.glWindow.window);
    else
        glFlush();
}

void SetPartsForFrame(TDemo& demo, const TPlannedFrame& frame, float step)
{
    demo.state.deltaTime = step;
    const float before = PartTimeBefore(float(frame.time), step);
    for (Part* part : demo.parts) {
        part->fixedStep = true;
        part->stepOnly = !frame.draw;
        part->time = before;
    }
}

bool RunFrames(TDemo& demo, const std::vector<TPlannedFrame>& plan, float step, const FrameSink& sink,
               const FrameTick& tick)
{
    FrameReader reader(demo.glWindow.width, demo.glWindow.height);
    std::deque<int> reading;  // kept indices of the reads in flight, oldest first
    TImage image;
    auto deliver = [&] {
        if (reader.Failed()) {
            std::fprintf(stderr, "hollowmere-capture: a frame could not be read back from the GPU\n");
            return false;
        }
        const int keep = reading.front();
        reading.pop_front();
        return sink(keep, image);
    };

    for (size_t i = 0; i < plan.size(); ++i) {
        const TPlannedFrame& frame = plan[i];
        DrainEvents();
        SetPartsForFrame(demo, frame, step);
        DemoFrame(demo);
        if (frame.keep >= 0) {
            if (reader.Push(image) && !deliver())
                return false;
            reading.push_back(frame.keep);
        }
        EndFrame(demo, frame);
        if (tick)
            tick(i + 1, frame);
    }
    while (reader.Pop(image))
        if (!deliver())
            return false;
    for (Part* part : demo.parts)
        part->stepOnly = false;
    return true;
}
