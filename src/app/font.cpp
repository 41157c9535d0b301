// The two stroke-font drawers and their shared advance rule.
#include "app/font.h"

#include "shaders/gl_state.h"

#include <GL/glew.h>

namespace {

// Draws text with the pen starting at 0; a vertex (x, y) of a character at pen p lands
// at offset + scale * (p + x/16, y/16).
void DrawGlyphs(const std::string& text, bool overlay, const float offset[3], const float scale[3])
{
    float pen = 0.0f;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char* g = GlyphOf(static_cast<unsigned char>(text[i]));
        while (*g != 0xFF) {
            glBegin(GL_TRIANGLE_STRIP);
            for (; *g != 0xFF; ++g) {
                const float x = float(*g >> 4) / 16.0f, y = float(*g & 15) / 16.0f;
                glVertex3f(offset[0] + scale[0] * (pen + x), offset[1] + scale[1] * y, offset[2]);
            }
            glEnd();
            ++g;
        }
        pen += AdvanceFactor(text, i, overlay);
    }
}

void SmoothPolygons()
{
    glDisable(GL_DEPTH_TEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_POLYGON_SMOOTH);
}

}  // namespace

float AdvanceFactor(const std::string& text, size_t i, bool overlay)
{
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    auto either = [&](char k) { return c == k || next == k; };
    // Later matches replace earlier ones.
    float f = overlay ? 0.94f : 1.0f;
    if (next != '\0' && either('i')) f = 0.67f;
    if (either('t')) f = 0.7f;
    if (either('f')) f = 0.75f;
    if (either('l')) f = overlay ? 0.8f : 0.7f;
    if (either('1')) f = 0.7f;
    if (either('.')) f = 0.7f;
    if (either(',')) f = 0.7f;
    if (either(':')) f = 0.7f;
    if (!overlay && c == 'l' && next == 'l') f = 0.4f;
    return f;
}

void DrawLauncherText(const std::string& text, const float offset[3], const float scale[3])
{
    SmoothPolygons();
    glPushMatrix();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    glScalef(14.0f, -20.0f, 20.0f);
    DrawGlyphs(text, false, offset, scale);
    glPopMatrix();
    glDisable(GL_BLEND);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
}

void DrawOverlayText(const TOverlayText& ctx, const std::string& text, int line, const float offset[3],
                     const float scale[3])
{
    SmoothPolygons();
    LoadIdentityMatrices();
    glTranslatef(-0.98f, 0.98f, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glScalef(20.0f / ctx.viewWidth, 20.0f / ctx.viewHeight, 1.0f);
    glTranslatef(0.0f, -float(line + 1) * 1.1f * scale[1], 0.0f);

    if (ctx.black)
        glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    else if (ctx.colour[0] > 0.0001f || ctx.colour[1] > 0.0001f || ctx.colour[2] > 0.0001f)
        glColor4f(ctx.colour[0], ctx.colour[1], ctx.colour[2], 1.0f);
    else
        glColor4f(0.8f, 0.8f, 0.8f, 1.0f);
    DrawGlyphs(text, true, offset, scale);

    LoadIdentityMatrices();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}
