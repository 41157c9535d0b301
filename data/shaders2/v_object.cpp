#version 430 compatibility
// The object program: fed its uniforms every frame, never drawn with.
#include shaders2/tweaks.cpp
out vec3 normal;
void main()
{
    normal = gl_NormalMatrix * gl_Normal;
    gl_Position = gl_ModelViewProjectionMatrix * gl_Vertex;
}
