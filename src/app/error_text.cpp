// The shader errors over the picture, with the overlay text drawer.
#include "app/error_text.h"

#include "app/font.h"
#include "shaders/gl_state.h"

#include <GL/glew.h>

#include <algorithm>

namespace {

// The overlay drawer's geometry, in pixels: cells 10 wide, rows 11 apart, starting 1 % in.
constexpr float kCellWidth = 9.4f;  // the widest advance
constexpr float kRowHeight = 11.0f;

int RowsThatFit(float viewHeight)
{
    return std::max(int(0.99f * viewHeight / kRowHeight) - 1, 1);
}

std::vector<std::string> Wrapped(const std::vector<std::string>& errors, size_t width)
{
    std::vector<std::string> rows;
    for (const std::string& e : errors) {
        // Continuation rows are indented by four.
        for (size_t at = 0, take = width; at < e.size(); at += take, take = width - 4)
            rows.push_back((at ? "    " : "") + e.substr(at, take));
        if (e.empty())
            rows.emplace_back();
    }
    return rows;
}

}  // namespace

std::vector<TErrorTextLine> ErrorTextLayout(const std::vector<std::string>& errors, float viewWidth, float viewHeight)
{
    const size_t width = size_t(std::max(0.98f * viewWidth / kCellWidth, 8.0f));
    std::vector<std::string> rows = Wrapped(errors, width);
    const int limit = std::min(kMaxErrorRows, RowsThatFit(viewHeight));
    if (int(rows.size()) > limit) {
        const size_t more = rows.size() - size_t(limit - 1);
        rows.resize(size_t(limit - 1));
        rows.push_back("... " + std::to_string(more) + " more lines on the console");
    }
    std::vector<TErrorTextLine> out;
    const int last = RowsThatFit(viewHeight);
    for (size_t i = 0; i < rows.size(); ++i)
        out.push_back({last - int(rows.size()) + 1 + int(i), rows[i]});
    return out;
}

void DrawErrorText(const std::vector<std::string>& errors, float viewWidth, float viewHeight)
{
    const std::vector<TErrorTextLine> rows = ErrorTextLayout(errors, viewWidth, viewHeight);
    if (rows.empty())
        return;
    // A dark band behind the rows, so the red reads over any picture.
    const float top = 0.98f - (float(rows.front().line) - 0.4f) * kRowHeight * 2.0f / viewHeight;
    LoadIdentityMatrices();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, 0.7f);
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, top);
    glVertex2f(-1.0f, top);
    glEnd();
    glDisable(GL_BLEND);

    TOverlayText ctx;
    ctx.viewWidth = viewWidth;
    ctx.viewHeight = viewHeight;
    ctx.colour[0] = 1.0f;  // red
    const float offset[3] = {0.0f, 0.0f, 0.0f}, scale[3] = {1.0f, 1.0f, 1.0f};
    for (const TErrorTextLine& row : rows)
        DrawOverlayText(ctx, row.text, row.line, offset, scale);
    LoadIdentityMatrices();
}
