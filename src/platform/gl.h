// GL, GLU and GLUT as each system ships them. Every file of the program
// includes this header rather than the GL headers themselves.
#pragma once

#if defined(_WIN32)
// Windows' gl.h uses WINGDIAPI and APIENTRY without defining them.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#if defined(__APPLE__)
// Apple's GLUT is a framework of its own, and its GL is marked deprecated.
#define GL_SILENCE_DEPRECATION
#include <GLUT/glut.h>
#else
#include <GL/glut.h>  // brings in GL/gl.h and GL/glu.h
#endif

// Windows' gl.h declares GL 1.1 alone, and the clamp-to-edge experiment
// uses GL 1.2's GL_CLAMP_TO_EDGE. It is a value, not a function: named here,
// it reaches any GL from 1.2 on as it is. Visual Studio ships no glext.h to
// take it from.
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif
