// The view state: every value that lives from one GLUT callback to the next,
// and the two operations that own the projection and the camera.
#pragma once

extern float eye[3];            // camera position (x, y, z); y stays 0
extern float center[3];         // look-at point, one unit ahead of the eye as stepCamera
                                // last left it (unused, and stale, in orthographic mode)
extern float angle;             // radians for the camera heading, but degrees for the
                                // sun and moon's orbit: one value, two meanings
extern float rotX, rotY, rotZ;  // whole-scene rotations, degrees
extern float zoom;              // the scene is scaled by zoom / 2

constexpr float zoomFactor = 1.125f;  // per zoom key
constexpr float turnStep = 0.125f;    // radians per left/right arrow
constexpr float moveStep = 0.125f;    // per up/down arrow, in the space the eye moves in,
                                      // where the town is drawn at zoom / 2: at the start
                                      // a step is a quarter of a house's width
constexpr float orthoExtent = 3.0f;   // half-size of the orthographic box

// Rendering toggles, 0 or 1. textureOn and frontFaceCW only remember the
// last key: drawScene overrides both every frame, so they can go stale.
extern int orthoMode;
extern int depthTestOn;
extern int textureOn;
extern int nearestFilter;
extern int repeatWrap;
extern int decalMode;
extern int frontFaceCW;

extern bool spinEnabled;  // permits the orbit; nothing ever clears it

// Drag bookkeeping, written only by the left button. Both start at 0, which
// are GLUT_LEFT_BUTTON and GLUT_DOWN, so a drag with any button rotates the
// scene until the left button is first released.
extern int dragButton;
extern int dragState;               // GLUT_DOWN while the left button is held, -1 once released
extern int lastMouseX, lastMouseY;  // (0, 0) until a left press or a drag sets them

extern int windowWidth, windowHeight;  // size of the last reshape with h > 0

void reshapeView(int w, int h);
void stepCamera(int key);
