// The town: everything one frame draws.
#pragma once

// The display callback. Reads the view state and never writes it.
void drawScene();

// A sphere of radius r about (cx, cy, cz) in n slices, textured with whatever
// texture is bound. Fewer than 4 slices, or radius 0, draw a single point.
void drawTexturedSphere(float cx, float cy, float cz, float r, int n);
