#version 430 compatibility
#include shaders2/quad_vertex.cpp
