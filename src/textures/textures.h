// The one-time GL set-up: clear colour, the seventeen textures, and the state
// every frame relies on.
#pragma once

// Needs a current GL context. Reads the image files from the working folder.
void initScene();
