// Drawing mesh objects from client-side vertex arrays (compatibility profile).
#include "mesh/mesh.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstddef>

void TMesh::Draw(int32_t object) const
{
    if (!loaded || objectStarts.empty())
        return;
    const int32_t objects = int32_t(objectStarts.size()) - 1;
    const int32_t first = object >= 0 ? std::min(object, objects) : 0;
    const int32_t last = object >= 0 && object < objects ? object + 1 : objects;

    for (int32_t i = first; i < last; ++i) {
        const int32_t start = objectStarts[size_t(i)];
        const int32_t count = objectStarts[size_t(i) + 1] - start;
        if (count <= 0)
            continue;
        // Client memory addresses, not offsets into bound buffers.
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        const auto* base = reinterpret_cast<const char*>(vertices.data());
        if (hasPositions) {
            glEnableClientState(GL_VERTEX_ARRAY);
            glVertexPointer(3, GL_FLOAT, sizeof(MeshVertex), base + offsetof(MeshVertex, position));
        }
        if (hasTexcoords) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, sizeof(MeshVertex), base + offsetof(MeshVertex, texcoord));
        }
        if (hasNormals) {
            glEnableClientState(GL_NORMAL_ARRAY);
            glNormalPointer(GL_FLOAT, sizeof(MeshVertex), base + offsetof(MeshVertex, normal));
        }
        glDrawElements(GL_TRIANGLES, 3 * count, GL_UNSIGNED_INT, indices.data() + size_t(start) * 3);
        if (hasNormals) glDisableClientState(GL_NORMAL_ARRAY);
        if (hasPositions) glDisableClientState(GL_VERTEX_ARRAY);
        if (hasTexcoords) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
}
