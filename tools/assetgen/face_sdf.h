// The procedural head: a signed-distance description (negative inside) built from ellipsoids,
// capsules and cones joined with smooth unions. Units: about one unit from neck to crown,
// face towards +z, x to the viewer's right when seen from the front, y up.
#pragma once
#include "vec3.h"

enum class HeadMaterial { Skin, Eye, Lip };

struct HeadSample {
    double distance;  // approximate signed distance (a bound near the surface)
    HeadMaterial material;
};

HeadSample HeadSdf(Vec3 p);

// Outward normal by a tetrahedral difference of the distance.
Vec3 HeadNormal(Vec3 p);

// Where the eyeballs sit (right eye; the left one mirrors x) and their radius.
extern const Vec3 kEyeCentre;
extern const double kEyeRadius;

// The cut that opens the neck like a scan: no points below this height.
extern const double kNeckCut;
