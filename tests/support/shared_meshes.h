// Tests on the real public meshes kept beside the repository skip without them.
#pragma once
#include "support/meshes_dir.h"

#include <gtest/gtest.h>

// Skips the calling test with one line when the folder is absent; else declares `dir` as it.
#define REQUIRE_SHARED_MESHES(dir)                                                              \
    const std::string dir = SharedMeshesDir();                                                  \
    if (dir.empty())                                                                            \
        GTEST_SKIP() << "no shared meshes folder (" HOLLOWMERE_MESHES_DIR                       \
                        " or $HOLLOWMERE_MESHES_DIR): the real-mesh cases are skipped"
