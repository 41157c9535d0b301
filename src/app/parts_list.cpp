// The demo's parts: the loader beside the list, and the list itself.
#include "app/demo.h"

void CreateParts(TDemo& demo)
{
    demo.loader = new Part_Loader();
    demo.loader->demo = &demo;
    // The scene part joins the list here once it exists; until then the frame loop runs
    // over an empty list and the window stays black until Escape.
    InitPartFlags(demo);
}
