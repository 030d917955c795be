// The floor under the whole-program figures: the viewer's window (same size,
// title and display mode, so the same GL visual and the same swap path) that
// only clears and swaps. Its idle callback is switched by the left button as
// the viewer's orbit is, so a driver starts both the same way. Whatever the
// viewer costs beyond this program is the cost of its own work.
//
// With TIDEWICK_FLOOR_QUAD set in its environment it also draws one textured,
// depth-tested quad over the whole window: the least a textured scene asks
// of a software GL (a compiled fragment shader, a texture, every pixel
// shaded), and so a second, higher floor to read the viewer's figures
// against.
#include <cstdlib>
#include <vector>

#include "platform/gl.h"

namespace {

bool drawQuad = false;

void display() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (drawQuad) {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
  }
  glutSwapBuffers();
}

// One 256 x 256 RGB picture, the size of the viewer's largest, set up as the
// viewer sets up its textures.
void setUpQuad() {
  constexpr int side = 256;
  std::vector<unsigned char> texels(side * side * 3);
  for (size_t i = 0; i < texels.size(); ++i)
    texels[i] = static_cast<unsigned char>(i * 7 + i / 768);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glBindTexture(GL_TEXTURE_2D, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, side, side, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
}

void idle() { glutPostRedisplay(); }

void mouse(int button, int state, int, int) {
  if (button != GLUT_LEFT_BUTTON) return;
  glutIdleFunc(state == GLUT_UP ? idle : nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(1000, 1000);
  glutCreateWindow("Tidewick");
  // Not the viewer's black, so a look at the window tells the two apart.
  glClearColor(0.2f, 0.4f, 0.6f, 0.0f);
  drawQuad = std::getenv("TIDEWICK_FLOOR_QUAD") != nullptr;
  if (drawQuad) setUpQuad();
  glutDisplayFunc(display);
  glutMouseFunc(mouse);
  glutMainLoop();
  return 0;
}
