// One workspace per thread, created on the thread's first decode and freed when it ends.
#include "crt/workspace.h"

namespace crt {

Workspace& ThreadWorkspace()
{
    thread_local Workspace workspace;
    return workspace;
}

} // namespace crt
