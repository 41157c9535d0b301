// The parts list: appending, the part flags and the rule that picks the current part.
#include "app/demo.h"

#include <cmath>

void AppendPart(TDemo& demo, Part* part)
{
    part->index = int32_t(demo.parts.size());
    demo.parts.push_back(part);
}

void InitPartFlags(TDemo& demo)
{
    const bool runChosen = demo.launcher.items.size() > 3 && demo.launcher.items[3].selected == 1;
    for (Part* p : demo.parts) {
        p->flags[1] = p->flags[2] = false;
        if (runChosen)
            p->flags[0] = false;
    }
    if (!demo.parts.empty())
        demo.parts[0]->flags[1] = true;
}

void SelectCurrentPart(TDemo& demo)
{
    for (size_t i = 0; i < demo.parts.size(); ++i)
        if (demo.clock >= 0.0f && demo.clock < 28000.0f)
            demo.currentPart = 0;
    if (demo.currentPart != demo.prevPart && demo.currentPart >= 0 && size_t(demo.currentPart) < demo.parts.size())
        demo.parts[demo.currentPart]->time += float(std::fmod(double(demo.clock), 1.0));
    demo.prevPart = demo.currentPart;
}
