// The user's controls: the keyboard and special-key callbacks, the mouse and
// motion callbacks for the drag, and the idle callback that turns the orbit.
// What each control shows on screen is described in docs/controls.md.
#include "input/input.h"

#include "app/view_state.h"
#include "platform/gl.h"

namespace {

// The filter and wrap keys reach only the large house and the ground
// (textures 1 to 7); the rest keep nearest filtering and repeat wrapping.
constexpr GLuint firstSwitchedTexture = 1;
constexpr GLuint lastSwitchedTexture = 7;

void setSwitchedTextures(GLenum first, GLenum second, GLint value) {
  for (GLuint n = firstSwitchedTexture; n <= lastSwitchedTexture; ++n) {
    glBindTexture(GL_TEXTURE_2D, n);
    glTexParameteri(GL_TEXTURE_2D, first, value);
    glTexParameteri(GL_TEXTURE_2D, second, value);
  }
}

}  // namespace

void handleSpecialKey(int key, int, int) {
  switch (key) {
    // Turning changes angle, which the orbit also reads (as degrees), so
    // the sun and moon creep along their circle as the camera turns.
    case GLUT_KEY_LEFT: angle -= turnStep; break;
    case GLUT_KEY_RIGHT: angle += turnStep; break;
    case GLUT_KEY_UP:
    case GLUT_KEY_DOWN: break;
    default: return;  // not even a redisplay
  }
  stepCamera(key);
  glutPostRedisplay();
}

void handleKey(unsigned char key, int, int) {
  switch (key) {
    case 'c':
      decalMode = !decalMode;
      // The environment belongs to the texture unit, so binding each texture
      // changes nothing, and RGB textures look the same under both modes.
      for (GLuint n = firstSwitchedTexture; n <= lastSwitchedTexture; ++n) {
        glBindTexture(GL_TEXTURE_2D, n);
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, decalMode ? GL_DECAL : GL_REPLACE);
      }
      break;
    case 'd':
      depthTestOn = !depthTestOn;
      if (depthTestOn)
        glEnable(GL_DEPTH_TEST);
      else
        glDisable(GL_DEPTH_TEST);
      break;
    case 'f':
      // drawScene sets the front face itself before every face, so this
      // shows nothing and frontFaceCW goes stale at the next frame.
      frontFaceCW = !frontFaceCW;
      glFrontFace(frontFaceCW ? GL_CW : GL_CCW);
      break;
    case 'm':
      nearestFilter = !nearestFilter;
      setSwitchedTextures(GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER,
                          nearestFilter ? GL_NEAREST : GL_LINEAR);
      break;
    case 'p':
      orthoMode = !orthoMode;
      reshapeView(windowWidth, windowHeight);  // does nothing before a real reshape
      break;
    case 'r':
      repeatWrap = !repeatWrap;
      setSwitchedTextures(GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, repeatWrap ? GL_REPEAT : GL_CLAMP);
      break;
    case 't':
      // The flag toggles, but the flat look lasts until the next frame:
      // drawScene turns texturing back on for the sun and moon and leaves it
      // on. Two presses in a row still look like a switch, since the second
      // one's frame is textured anyway. With a redraw between them, the
      // second press enables what is already on and changes nothing.
      textureOn = !textureOn;
      if (textureOn)
        glEnable(GL_TEXTURE_2D);
      else
        glDisable(GL_TEXTURE_2D);
      break;
    case 'x': zoom /= zoomFactor; break;
    case 'z': zoom *= zoomFactor; break;
    default: break;
  }
  glutPostRedisplay();
}

void handleMouseButton(int button, int state, int x, int y) {
  if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN) {
    glutIdleFunc(nullptr);
    dragState = state;
    dragButton = button;
    lastMouseX = x;
    lastMouseY = y;
  } else if (button == GLUT_LEFT_BUTTON && state == GLUT_UP) {
    dragState = -1;
  } else {
    return;  // other buttons neither steer the orbit nor redraw
  }
  if (spinEnabled && state == GLUT_DOWN)
    glutIdleFunc(nullptr);
  else if (spinEnabled && state == GLUT_UP)
    glutIdleFunc(advanceOrbit);
  glutPostRedisplay();
}

void handleMouseDrag(int x, int y) {
  // GLUT reports motion with any button held, and only the left button's
  // press and release touch dragButton and dragState. Both start as a held
  // left button, so until the left button is first released a drag with any
  // button turns the scene. Another button's press records no position, so
  // its drag is measured from the last one recorded: where the last drag
  // ended, or the window's corner at first.
  if (dragButton != GLUT_LEFT_BUTTON || dragState != GLUT_DOWN) return;
  // Five pixels of drag turn the scene one degree.
  rotY -= (lastMouseX - x) / 5.0;
  rotX -= (lastMouseY - y) / 5.0;
  glutPostRedisplay();
  lastMouseX = x;
  lastMouseY = y;
}

// angle is also the camera's heading, but the view only takes it up at the
// next stepCamera (an arrow key, p or a resize), and may then face away from
// the town.
void advanceOrbit() {
  angle += 0.2;  // per idle call, not per second: the speed follows the frame rate
  glutPostRedisplay();
}
