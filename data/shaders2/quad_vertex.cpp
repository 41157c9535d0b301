// A full-screen quad drawn in immediate mode with identity matrices: position and the
// first texture coordinate pass through.
out vec2 uv;
void main()
{
    uv = gl_MultiTexCoord0.xy;
    gl_Position = gl_Vertex;
}
