#include "app/demo.h"

std::string DataPath;

TDemo::TDemo()
{
    InitFreeCam(state.camera);
    BuildLauncher(launcher);
}
