// The title meshes: solid letters from the stroke font ("text.obj") and the emblem ("zev2.obj").
#pragma once
#include "solid_mesh.h"

#include <filesystem>
#include <string>
#include <vector>

// Where glyph strings and character advances come from (the program's own font, or a test font).
struct FontSource {
    const unsigned char* (*glyph)(unsigned char c);
    float (*advance)(const std::string& text, size_t i, bool overlay);
};

// One line of text as a solid: cells `cellSize` units wide, the bounding box centred on the
// origin, `depth` units thick.
SolidMesh TextSolid(const FontSource& font, const std::string& text, double cellSize, double depth);

// What each object of text.obj says, index 0 to 20 (object 0 is empty).
const std::vector<std::string>& TitleTexts();

// The 21 objects: digits sized for the countdown, lines about 10 units wide.
std::vector<NamedMesh> TitleObjects(const FontSource& font);

// The emblem: a ring around a bar-and-pillars monogram, about 2.5 units across.
SolidMesh Emblem();

bool WriteTitleMeshes(const std::filesystem::path& dir, const FontSource& font);  // text.obj, zev2.obj
