// What the user does: keys, mouse buttons, drags and the orbit animation.
#pragma once

void handleKey(unsigned char key, int x, int y);
void handleSpecialKey(int key, int x, int y);
void handleMouseButton(int button, int state, int x, int y);
void handleMouseDrag(int x, int y);
void advanceOrbit();
