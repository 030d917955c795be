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
