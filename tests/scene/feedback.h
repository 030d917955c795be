// One frame through GL's feedback mode: every primitive the pipeline would
// rasterise, in window coordinates, with its colour and texture coordinates.
#pragma once

#include <GL/gl.h>

#include <functional>
#include <vector>

struct FeedbackVertex {
  double x, y, z;  // window coordinates, origin bottom-left
  double r, g, b;
  double s, t;
};

struct FeedbackPrimitive {
  GLenum token;  // GL_POLYGON_TOKEN, GL_POINT_TOKEN, ...
  std::vector<FeedbackVertex> v;
};

std::vector<FeedbackPrimitive> recordFeedback(const std::function<void()>& draw);

// Twice the signed area of a polygon: positive when counter-clockwise.
double signedArea2(const std::vector<FeedbackVertex>& v);
