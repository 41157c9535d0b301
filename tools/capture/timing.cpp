// The timing run: the same frames as a capture, with each stage of the kept frames measured
// by GL timestamp queries and by the wall clock. The GPU is finished at every stage boundary,
// so that a stage's wall time is its own work and not the queue it inherited.
#include "capture.h"

#include "app/demo.h"
#include "parts/clips.h"
#include "platform/platform.h"

#include <GL/glew.h>
#include <SDL.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kReadBack = kSceneStages;  // the row after the scene's stages
constexpr int kTimedRows = kSceneStages + 1;

double NowMs()
{
    return 1000.0 * TicksToSeconds(SteadyTicks100ns());
}

// One frame's boundaries: a timestamp query and a wall-clock reading at each.
class StageClock : public SceneStageObserver {
public:
    StageClock() { glGenQueries(2 * kTimedRows, queries_); }
    ~StageClock() override { glDeleteQueries(2 * kTimedRows, queries_); }
    StageClock(const StageClock&) = delete;
    StageClock& operator=(const StageClock&) = delete;

    void Begin(SceneStage stage) override { Mark(int(stage), 0); }
    void End(SceneStage stage) override { Mark(int(stage), 1); }
    void Mark(int row, int end)
    {
        if (end) {
            glQueryCounter(queries_[2 * row + 1], GL_TIMESTAMP);
            glFinish();
            wall_[2 * row + 1] = NowMs();
        } else {
            glFinish();
            wall_[2 * row] = NowMs();
            glQueryCounter(queries_[2 * row], GL_TIMESTAMP);
        }
        marked_[2 * row + end] = true;
    }
    void Clear() { std::fill(std::begin(marked_), std::end(marked_), false); }

    // Appends this frame's milliseconds per row; false when a row was not marked.
    bool Collect(std::vector<TStageTimes>& rows)
    {
        if (!std::all_of(std::begin(marked_), std::end(marked_), [](bool m) { return m; }))
            return false;
        for (int r = 0; r < kTimedRows; ++r) {
            GLuint64 begin = 0, end = 0;
            glGetQueryObjectui64v(queries_[2 * r], GL_QUERY_RESULT, &begin);
            glGetQueryObjectui64v(queries_[2 * r + 1], GL_QUERY_RESULT, &end);
            rows[size_t(r)].gpuMs.push_back(end >= begin ? double(end - begin) / 1.0e6 : 0.0);
            rows[size_t(r)].wallMs.push_back(wall_[2 * r + 1] - wall_[2 * r]);
        }
        return true;
    }

private:
    GLuint queries_[2 * kTimedRows] = {};
    double wall_[2 * kTimedRows] = {};
    bool marked_[2 * kTimedRows] = {};
};

Part_Clips* Scene(TDemo& demo)
{
    for (Part* part : demo.parts)
        if (auto* scene = dynamic_cast<Part_Clips*>(part))
            return scene;
    return nullptr;
}

}  // namespace

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + long(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2)
        return upper;
    return (*std::max_element(values.begin(), values.begin() + long(middle)) + upper) / 2.0;
}

bool TimeFrames(TDemo& demo, const std::vector<TPlannedFrame>& plan, float step, std::vector<TStageTimes>& rows,
                const FrameTick& tick)
{
    Part_Clips* scene = Scene(demo);
    if (!scene)
        return false;
    rows.assign(kTimedRows + 2, {});
    for (int s = 0; s < kSceneStages; ++s)
        rows[size_t(s)].name = SceneStageName(SceneStage(s));
    rows[kReadBack].name = "read-back";
    rows[kTimedRows].name = "rest of frame";
    rows[kTimedRows + 1].name = "whole frame";

    StageClock clock;
    GLuint frameQueries[2];
    glGenQueries(2, frameQueries);
    // One buffer: the frame is read and mapped at once, so its read-back is measured whole.
    FrameReader reader(demo.glWindow.width, demo.glWindow.height, 1);
    TImage image;
    bool complete = true;
    for (size_t i = 0; i < plan.size(); ++i) {
        const TPlannedFrame& frame = plan[i];
        DrainEvents();
        SetPartsForFrame(demo, frame, step);
        const bool timed = frame.keep >= 0;
        double wallStart = 0.0;
        if (timed) {
            clock.Clear();
            scene->stageObserver = &clock;
            glFinish();
            wallStart = NowMs();
            glQueryCounter(frameQueries[0], GL_TIMESTAMP);
        }
        DemoFrame(demo);
        if (timed) {
            clock.Mark(kReadBack, 0);
            reader.Push(image);
            reader.Pop(image);
            clock.Mark(kReadBack, 1);
        }
        EndFrame(demo, frame);
        if (timed) {
            glQueryCounter(frameQueries[1], GL_TIMESTAMP);
            glFinish();
            const double wall = NowMs() - wallStart;
            scene->stageObserver = nullptr;
            if (!clock.Collect(rows) || reader.Failed()) {
                complete = false;
                break;
            }
            GLuint64 begin = 0, end = 0;
            glGetQueryObjectui64v(frameQueries[0], GL_QUERY_RESULT, &begin);
            glGetQueryObjectui64v(frameQueries[1], GL_QUERY_RESULT, &end);
            const double gpu = end >= begin ? double(end - begin) / 1.0e6 : 0.0;
            double gpuStages = 0.0, wallStages = 0.0;
            for (int r = 0; r < kTimedRows; ++r)
                gpuStages += rows[size_t(r)].gpuMs.back(), wallStages += rows[size_t(r)].wallMs.back();
            rows[kTimedRows].gpuMs.push_back(std::max(gpu - gpuStages, 0.0));
            rows[kTimedRows].wallMs.push_back(std::max(wall - wallStages, 0.0));
            rows[kTimedRows + 1].gpuMs.push_back(gpu);
            rows[kTimedRows + 1].wallMs.push_back(wall);
        }
        if (tick)
            tick(i + 1, frame);
    }
    scene->stageObserver = nullptr;
    for (Part* part : demo.parts)
        part->stepOnly = false;
    glDeleteQueries(2, frameQueries);
    return complete;
}

std::string TimingTable(const std::vector<TStageTimes>& rows, const std::string& heading)
{
    size_t frames = rows.empty() ? 0 : rows.front().wallMs.size();
    std::string text = heading + "\n";
    char line[160];
    std::snprintf(line, sizeof line, "%-16s %10s %10s   (medians of %zu frames)\n", "stage", "GPU ms", "wall ms",
                  frames);
    text += line;
    for (const TStageTimes& row : rows) {
        std::snprintf(line, sizeof line, "%-16s %10.2f %10.2f\n", row.name.c_str(), Median(row.gpuMs),
                      Median(row.wallMs));
        text += line;
    }
    return text;
}
