// meshview: draws an OBJ file's objects through the program's own mesh drawing into a PNG, for
// looking at the generated title and emblem meshes: lit from the viewer, turned a little about
// y to show their depth, framed to the drawn object's bounds on a light background.
//
//   meshview IN.obj OUT.png [--object N] [--size WxH] [--yaw DEGREES]
//
// Without --object every object is drawn. Needs a display (Xvfb will do).
#include "app/window.h"
#include "mesh/mesh.h"
#include "png_write.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: meshview IN.obj OUT.png [--object N] [--size WxH] [--yaw DEGREES]\n");
    return 2;
}

// Lowest and highest x and y over the corners of the drawn triangles.
bool Bounds(const TMesh& mesh, int object, float lo[2], float hi[2])
{
    lo[0] = lo[1] = 1e30f, hi[0] = hi[1] = -1e30f;
    if (object >= 0 && size_t(object) + 1 >= mesh.objectStarts.size()) return false;
    const size_t first = object < 0 ? 0 : size_t(mesh.objectStarts[size_t(object)]);
    const size_t last = object < 0 ? size_t(mesh.triangleCount) : size_t(mesh.objectStarts[size_t(object) + 1]);
    for (size_t i = 3 * first; i < 3 * last; ++i)
        for (int k = 0; k < 2; ++k) {
            lo[k] = std::min(lo[k], mesh.vertices[mesh.indices[i]].position[k]);
            hi[k] = std::max(hi[k], mesh.vertices[mesh.indices[i]].position[k]);
        }
    return lo[0] <= hi[0];
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return Usage();
    const char *in = argv[1], *out = argv[2];
    int object = -1, w = 800, h = 260;
    double yaw = 17;
    for (int i = 3; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--object") && i + 1 < argc) object = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--size") && i + 1 < argc && std::sscanf(argv[++i], "%dx%d", &w, &h) == 2 && w > 0 && h > 0) continue;
        else if (!std::strcmp(argv[i], "--yaw") && i + 1 < argc) yaw = std::atof(argv[++i]);
        else return Usage();
    }
    TMesh mesh;
    if (!mesh.Import(in)) return std::fprintf(stderr, "meshview: %s: cannot read\n", in), 1;
    float lo[2], hi[2];
    if (!Bounds(mesh, object, lo, hi)) return std::fprintf(stderr, "meshview: %s: nothing to draw in object %d\n", in, object), 1;
    TGLWindow window;
    if (!window.Init(0, 0, w, h, false, true)) return 1;

    glViewport(0, 0, w, h);
    glClearColor(230 / 255.0f, 230 / 255.0f, 236 / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    const double half = std::max(0.65 * (hi[1] - lo[1]), 0.6 * (hi[0] - lo[0]) * h / w);
    glMatrixMode(GL_PROJECTION);  // a fresh context: both matrices start as the identity
    glOrtho(-half * w / h, half * w / h, -half, half, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glRotated(yaw, 0, 1, 0);
    glTranslated(-0.5 * (lo[0] + hi[0]), -0.5 * (lo[1] + hi[1]), 0);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColor3ub(40, 55, 120);
    mesh.Draw(object);

    std::vector<unsigned char> rgba(size_t(w) * h * 4), rgb;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (int y = h - 1; y >= 0; --y)  // GL's rows run bottom up
        for (int x = 0; x < w; ++x) rgb.insert(rgb.end(), &rgba[(size_t(y) * w + x) * 4], &rgba[(size_t(y) * w + x) * 4 + 3]);
    if (!png_write::WriteRGB(out, w, h, rgb)) return std::perror(out), 1;
    DestroyWindow(window);
    return 0;
}
