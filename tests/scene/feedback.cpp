#include "feedback.h"

#include <stdexcept>

std::vector<FeedbackPrimitive> recordFeedback(const std::function<void()>& draw) {
  std::vector<GLfloat> buffer(1 << 20);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint used = glRenderMode(GL_RENDER);
  if (used < 0) throw std::runtime_error("feedback buffer overflowed");

  std::vector<FeedbackPrimitive> out;
  auto vertex = [&](GLint& i) {
    const GLfloat* f = &buffer[i];
    i += 11;  // x y z, r g b a, s t r q
    return FeedbackVertex{f[0], f[1], f[2], f[3], f[4], f[5], f[7] / f[10], f[8] / f[10]};
  };
  for (GLint i = 0; i < used;) {
    FeedbackPrimitive p{static_cast<GLenum>(buffer[i++]), {}};
    int count = 0;
    switch (p.token) {
      case GL_POLYGON_TOKEN: count = static_cast<int>(buffer[i++]); break;
      case GL_POINT_TOKEN: count = 1; break;
      case GL_LINE_TOKEN: case GL_LINE_RESET_TOKEN: count = 2; break;
      case GL_PASS_THROUGH_TOKEN: ++i; continue;
      default: throw std::runtime_error("unexpected feedback token");
    }
    for (int k = 0; k < count; ++k) p.v.push_back(vertex(i));
    out.push_back(p);
  }
  return out;
}

double signedArea2(const std::vector<FeedbackVertex>& v) {
  double sum = 0;
  for (size_t i = 0; i < v.size(); ++i) {
    const FeedbackVertex& a = v[i];
    const FeedbackVertex& b = v[(i + 1) % v.size()];
    sum += a.x * b.y - b.x * a.y;
  }
  return sum;
}
