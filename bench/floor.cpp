// The floor under the whole-program figures: the viewer's window (same size,
// title and display mode, so the same GL visual and the same swap path) that
// only clears and swaps. Its idle callback is switched by the left button as
// the viewer's orbit is, so a driver starts both the same way. Whatever the
// viewer costs beyond this program is the cost of its own work.
#include <GL/glut.h>

namespace {

void display() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glutSwapBuffers();
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
  glutDisplayFunc(display);
  glutMouseFunc(mouse);
  glutMainLoop();
  return 0;
}
