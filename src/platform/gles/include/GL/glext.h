#pragma once
// The names the show takes from glext.h (GL_SAMPLES, GL_SAMPLE_BUFFERS) are
// OpenGL ES 2's own: see gl.h.
#include <GL/gl.h>
