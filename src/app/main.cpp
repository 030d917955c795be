// Tidewick: a textured town of three houses, walked through with the arrow
// keys and tilted with the mouse, with a sun and a moon that circle it once
// the left button is let go. No key quits; closing the window does.
#include "app/view_state.h"
#include "input/input.h"
#include "platform/gl.h"
#include "scene/scene.h"
#include "textures/textures.h"

int main(int argc, char** argv) {
  // GLUT lets only routines whose names begin with glutInit come before it (in
  // GLUT 3, glutInitDisplayMode, glutInitWindowSize and glutInitWindowPosition).
  // freeglut stops the program at most other calls made before it, such as
  // glutCreateWindow.
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(1000, 1000);
  glutCreateWindow("Tidewick");

  glutDisplayFunc(drawScene);
  glutReshapeFunc(reshapeView);
  glutKeyboardFunc(handleKey);
  glutSpecialFunc(handleSpecialKey);
  glutMouseFunc(handleMouseButton);
  glutMotionFunc(handleMouseDrag);
  // No idle callback yet: the orbit starts at the first left-button release.

  initScene();  // after the window, so a GL context is current for the uploads
  glutMainLoop();
  return 0;
}
