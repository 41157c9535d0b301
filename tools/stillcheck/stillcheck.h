// stillcheck: measures the captured stills of the scene against what the look must show:
// black titles that read (their pixels dark against a band around them), the face formed at
// 150 s (lit pixels over the face's silhouette), an exposure neither dark nor blown, a field
// that moves, and the same figures whatever the particle grid. The masks come from the data
// the scene draws (the title mesh, the face scan) projected with the schedule's cameras.
#pragma once
#include "mesh/mesh.h"
#include "parts/scene_data.h"

#include <cstdint>
#include <string>
#include <vector>

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // top row first
};

// An 8-bit RGB PNG (any PNG libpng reads, converted); false with a reason on failure.
bool ReadPng(const std::string& path, Image& image, std::string& error);

// Rec. 709 luma of the stored values, 0..1 of full scale, per pixel.
std::vector<float> Luma(const Image& image);
double Mean(const std::vector<float>& values, const std::vector<uint8_t>* mask = nullptr);

// A perspective camera as the scene sets it: field of view in degrees, eye, target, +y up.
struct Camera {
    double fov;
    double eye[3], target[3];
};

// Pixel position of a world point (x right, y down from the top-left corner); false when
// it lies behind the eye.
bool Project(const Camera& camera, double aspect, int width, int height, const float p[3], double& x, double& y);

// Pixels covered by one object of a mesh under the camera (1 inside, 0 outside).
std::vector<uint8_t> MeshMask(const TMesh& mesh, int object, const Camera& camera, int width, int height);
// Pixels hit by any of the points, closed by `grow` pixels so the gaps between points fill.
std::vector<uint8_t> PointMask(const std::vector<FacePoint>& points, size_t count, const Camera& camera, int width,
                               int height, int grow);
// The mask grown by `r` pixels (a square neighbourhood).
std::vector<uint8_t> Dilate(const std::vector<uint8_t>& mask, int width, int height, int r);

// Mean luma inside a title's pixels over the mean of a band `band` pixels wide around them
// (the title's edge, `margin` pixels, belongs to neither). Lower reads better.
double TitleContrast(const std::vector<float>& luma, const std::vector<uint8_t>& title, int width, int height,
                     int margin, int band);

// Intersection over union of the pixels brighter than `lit` and the silhouette.
double LitOverlap(const std::vector<float>& luma, const std::vector<uint8_t>& silhouette, double lit);

// Mean absolute difference of two images of one size, 0..1.
double MeanDifference(const Image& a, const Image& b);
