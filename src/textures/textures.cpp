// The texture set: thirteen image files in seventeen texture objects with
// fixed numbers, and the GL state every frame relies on.
#include "textures/textures.h"

#include "image/bmp_image.h"
#include "platform/gl.h"

namespace {

struct TextureFile {
  GLuint texture;
  const char* file;
};

// A file named more than once is read again for each of its textures.
const TextureFile textureFiles[] = {
    {1, "kest1.bmp"},   // large house, front gable
    {2, "kest2.bmp"},   // large house, wall at x1
    {3, "kest3.bmp"},   // large house, roof slope on the x1 side
    {4, "kest1.bmp"},   // large house, back gable
    {5, "kest2.bmp"},   // large house, wall at x0
    {6, "kest3.bmp"},   // large house, roof slope on the x0 side
    {7, "kest4.bmp"},   // ground and the near strip
    {8, "mirl6.bmp"},   // backdrop
    {9, "kest3.bmp"},   // road
    {10, "mirl3.bmp"},  // east house, roof
    {11, "toba1.bmp"},  // west house, gables
    {12, "toba3.bmp"},  // west house, roof
    {13, "toba2.bmp"},  // west house, walls
    {14, "mirl1.bmp"},  // east house, gables
    {15, "mirl2.bmp"},  // east house, walls
    {16, "sun.bmp"},    // sun
    {17, "moon.bmp"},   // moon
};

// The one transfer record: every file is loaded into it and uploaded from it.
// A file that fails to load therefore hands its texture the previous file's
// picture, or an empty 0 x 0 image before any file has loaded, which leaves
// the texture incomplete so its faces show their plain colour.
BmpImage image;

}  // namespace

void initScene() {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  // The reader packs RGB rows without padding; GL's default alignment of 4
  // would read past the end of any row that is not a multiple of 4 bytes.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

  for (const TextureFile& t : textureFiles) {
    loadBmpImage(t.file, &image);
    glBindTexture(GL_TEXTURE_2D, t.texture);
    // The default minifying filter, GL_NEAREST_MIPMAP_LINEAR, would leave a
    // texture with level 0 alone incomplete; with a filter that uses no
    // mipmaps, as both of the m key's are, level 0 is all it needs.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    // State of the texture unit, not of the texture: in effect set once.
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image.pixels);
  }

  glEnable(GL_TEXTURE_2D);
  glEnable(GL_DEPTH_TEST);
  // Faces seen from behind show as outlines: from inside a house, from below
  // the ground, and the near halves of the sun and moon, which wind the
  // other way (see drawOrbitingBody).
  glPolygonMode(GL_BACK, GL_LINE);
  glPolygonMode(GL_FRONT, GL_FILL);
}
