// The demo's parts: the loader beside the list, and the list itself: the one scene.
#include "app/demo.h"
#include "parts/clips.h"

void CreateParts(TDemo& demo)
{
    demo.loader = new Part_Loader();
    demo.loader->demo = &demo;
    AppendPart(demo, new Part_Clips());
    InitPartFlags(demo);
}
