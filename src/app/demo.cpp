#include "app/demo.h"

TDemo::TDemo()
{
    InitFreeCam(state.camera);
    BuildLauncher(launcher);
}
