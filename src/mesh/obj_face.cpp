// Reading the corners of a face.
#include "mesh/obj_face.h"

namespace {

int NumbersPerCorner(CornerForm form)
{
    return form == CornerForm::Position ? 1 : form == CornerForm::PositionTexcoordNormal ? 3 : 2;
}

// One corner in the given form; returns how many numbers converted, as scanf would.
int ScanCorner(ObjCursor& c, CornerForm form, ObjCorner& out)
{
    if (!c.Int(out.position)) return 0;
    switch (form) {
    case CornerForm::Position:
        return 1;
    case CornerForm::PositionTexcoord:
        return c.Literal('/') && c.Int(out.texcoord) ? 2 : 1;
    case CornerForm::PositionTexcoordNormal:
        if (!c.Literal('/') || !c.Int(out.texcoord)) return 1;
        return c.Literal('/') && c.Int(out.normal) ? 3 : 2;
    case CornerForm::PositionNormal:
        return c.Literal('/') && c.Literal('/') && c.Int(out.normal) ? 2 : 1;
    }
    return 0;
}

// Reads the first corner, whose form decides the whole face's, and returns how many numbers
// it converted. The form is found on the corner's token alone: the "%d/%d" reading is the
// start of the "%d/%d/%d" one, so one probe tells both, and leaves the corner read.
int FirstCorner(ObjCursor& c, std::string_view token, CornerForm& form, ObjCorner& corner)
{
    for (size_t k = 1; k < token.size(); ++k)
        if (token[k] == '/' && token[k - 1] == '/') {
            form = CornerForm::PositionNormal;
            return ScanCorner(c, form, corner);
        }
    ObjCursor probe{token.data(), token.data() + token.size()};
    form = CornerForm::Position;
    if (!probe.Int(corner.position)) return 0;
    const char* stop = probe.p;
    if (probe.Literal('/') && probe.Int(corner.texcoord)) {
        form = CornerForm::PositionTexcoord;
        stop = probe.p;
        if (probe.Literal('/') && probe.Int(corner.normal)) {
            form = CornerForm::PositionTexcoordNormal;
            stop = probe.p;
        }
    }
    // Read from the text itself the corner would end where it ended in its token: numbers
    // hold no blanks, and here every '/' had a number right after it.
    c.p = stop;
    return NumbersPerCorner(form);
}

// A positive index k is the k-th element read so far, a negative one counts back from the
// last; 0 and anything outside the elements read so far are refused.
bool ToZeroBased(int64_t& index, int64_t count)
{
    if (index == 0) return false;
    index = index > 0 ? index - 1 : count + index;
    return index >= 0 && index < count;
}

}  // namespace

bool ReadFace(ObjCursor& c, const ObjCounts& counts, ObjFace& face, std::string& why)
{
    face.corners.clear();
    why.clear();
    const std::string_view first = c.PeekLineToken();
    if (first.empty()) {
        why = "face without corners";
        return false;
    }
    // Each corner is read straight into its slot: a copy from a corner just written field by
    // field waits for those stores.
    ObjCorner* corner = &face.corners.emplace_back();
    int got = FirstCorner(c, first, face.form, *corner);
    const int wanted = NumbersPerCorner(face.form);
    const bool hasTexcoord = HasTexcoord(face.form), hasNormal = HasNormal(face.form);
    // The first corner whose index is outside, told only once the face has been read whole:
    // a malformed corner anywhere in it takes precedence.
    const char* outsideKind = nullptr;
    const char* outsideLines = nullptr;
    size_t outsideCorner = 0;
    int64_t outsideCount = 0;
    for (;;) {
        if (got == 0) {
            face.corners.pop_back();
            if (face.corners.size() >= 3) break;
            why = "face with fewer than three corners";
            return false;
        }
        if (got != wanted) {
            why = "corner " + std::to_string(face.corners.size()) + " lacks indices of the face's form";
            // A short last corner ends the face: the triangles of the corners before it stay.
            if (face.corners.size() <= 3 || !c.PeekLineToken().empty()) return false;
            face.corners.pop_back();
            why += ", face ended before it";
            break;
        }
        if (!outsideKind) {
            outsideCorner = face.corners.size();
            if (!ToZeroBased(corner->position, counts.positions))
                outsideKind = "position", outsideLines = "v", outsideCount = counts.positions;
            else if (hasTexcoord && !ToZeroBased(corner->texcoord, counts.texcoords))
                outsideKind = "texture coordinate", outsideLines = "vt", outsideCount = counts.texcoords;
            else if (hasNormal && !ToZeroBased(corner->normal, counts.normals))
                outsideKind = "normal", outsideLines = "vn", outsideCount = counts.normals;
        }
        corner = &face.corners.emplace_back();
        got = ScanCorner(c, face.form, *corner);
    }
    if (outsideKind) {
        why = std::string(outsideKind) + " index of corner " + std::to_string(outsideCorner) + " outside the " +
              std::to_string(outsideCount) + " \"" + outsideLines + "\" lines read so far";
        return false;
    }
    return true;
}
