// Timeline parts. The demo holds an ordered list of parts; the current one is updated
// and rendered every frame, and its clock is the master the music follows.
#pragma once
#include <cstdint>
#include <string>

struct TDemo;
struct TDemoState;

class Part {
public:
    virtual void Render() = 0;  // draw the part's frame with the current GL context
    virtual void Update() = 0;  // advance the part's clocks for this frame
    virtual ~Part() = default;
    virtual void Init() = 0;    // load assets and build GPU resources; called once
    // A file was saved (its path relative to the working directory, as the file watch gives
    // it): a part that read it reads it again. GL context current, between two frames.
    virtual void FileSaved(const std::string& path) { (void)path; }

    TDemo* demo = nullptr;
    float time = 0.0f;          // the part's own clock, seconds
    int32_t index = 0;          // position in the parts list when appended
    float deltaT = 0.0f;        // sent to the particle step; nothing changes it
    TDemoState* state = nullptr;
    bool flags[3] = {true, false, false};  // kept as they are set; nothing reads them
    // Set by the capture tool. fixedStep: a frame lasts the deltaTime the caller sets, with no
    // pacing sleep and no reading of the wall clock, so it depends on the part's clock alone.
    // stepOnly: a frame that is not kept advances the clocks (and the particles), draws nothing.
    bool fixedStep = false, stepOnly = false;
};

// The loading-screen part: constructed and initialised at start-up, never in the list.
class Part_Loader : public Part {
public:
    void Render() override {}
    void Update() override {}
    void Init() override {}
};

// Appends a part to the demo's list, recording its index.
void AppendPart(TDemo& demo, Part* part);

// Clears the second and third flag of every part (and the first when the launcher's
// Run row holds 1), then sets the second flag of the first part.
void InitPartFlags(TDemo& demo);

// End of a frame: picks the current part from the demo clock ([0, 28000) s selects
// part 0) and, on a change, advances the newly current part by the clock's fraction.
void SelectCurrentPart(TDemo& demo);
