// Internal to vxfind12u: the bridge between OpenCV matrices and the
// platform's pixel buffers. No public header includes this one, so OpenCV
// stays out of what users of the library compile.
#pragma once

#include <opencv2/core.hpp>

#include "find/image.h"

// A read-only view of the pixels of `image` as a one-channel matrix
// (CV_8UC1 or CV_16UC1) of its size, sharing them without a copy. The view
// is valid while `image` (or a copy sharing its pixels) lives; it must not
// be written to. An empty image gives an empty matrix.
cv::Mat cfMatView(const ccImage& image);

// A copy of the one-channel matrix `grey` (CV_8UC1 or CV_16UC1, any size,
// continuous or not) as an image of the same depth, offset (0, 0). Another
// type throws ccFindDefs::BadImage naming `what`; a size beyond
// cc_find_tol::kMaxImageSide / kMaxImagePixels does too, before the copy is
// made.
ccImage cfImageFromMat(const cv::Mat& grey, const std::string& what);

// Throws ccFindDefs::BadParams, with `what` leading the message, unless
// width and height are positive and within cc_find_tol::kMaxImageSide and
// their product within cc_find_tol::kMaxImagePixels.
void cfRequireImageSize(long width, long height, const std::wstring& what);
