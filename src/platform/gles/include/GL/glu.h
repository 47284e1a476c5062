#pragma once
// GLU as the show sees it in a build that draws on OpenGL ES 2 or WebGL 1:
// gluPerspective, carried out by the layer's matrix stacks.
#include <GL/gl.h>

#define gluPerspective vxgluPerspective
