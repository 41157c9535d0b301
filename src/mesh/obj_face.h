// The faces of an OBJ file: the corner forms, and the reading of an "f" statement's corners
// with the checks of their indices against the elements read so far.
#pragma once
#include "mesh/obj_cursor.h"

#include <cstdint>
#include <string>
#include <vector>

enum class CornerForm { Position, PositionTexcoord, PositionTexcoordNormal, PositionNormal };

inline bool HasTexcoord(CornerForm form)
{
    return form == CornerForm::PositionTexcoord || form == CornerForm::PositionTexcoordNormal;
}

inline bool HasNormal(CornerForm form)
{
    return form == CornerForm::PositionNormal || form == CornerForm::PositionTexcoordNormal;
}

struct ObjCorner {
    int64_t position = 0, texcoord = 0, normal = 0;  // as written in the file, then 0-based
};

// Elements read so far.
struct ObjCounts {
    int64_t positions = 0, texcoords = 0, normals = 0, triangles = 0;
};

// The corners of the face being read; one record for the whole file, so no face allocates.
struct ObjFace {
    CornerForm form = CornerForm::Position;
    std::vector<ObjCorner> corners;
};

// Reads the corners of an "f" statement, converted to 0-based indices. False, with the reason
// in why, for a face the loader refuses: a malformed corner, or else the first index outside
// the elements read so far. A face kept without its short last corner is true with why saying so.
bool ReadFace(ObjCursor& c, const ObjCounts& counts, ObjFace& face, std::string& why);
