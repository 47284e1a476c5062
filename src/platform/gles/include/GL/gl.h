#pragma once
// OpenGL 1.1 as the show sees it in a build that draws on OpenGL ES 2 or
// WebGL 1: this folder comes first on the include path of such a build, and
// each GL name the show calls is the layer's own function
// (src/platform/gles/gl_api.h). A GL 1.1 function that is not listed here
// does not compile in that build.
#include "../../gl_api.h"

#define glBegin vxglBegin
#define glEnd vxglEnd
#define glVertex2f vxglVertex2f
#define glVertex2d vxglVertex2d
#define glVertex3f vxglVertex3f
#define glTexCoord2f vxglTexCoord2f
#define glColor3f vxglColor3f
#define glColor4f vxglColor4f
#define glColor4fv vxglColor4fv
#define glNormal3f vxglNormal3f
#define glArrayElement vxglArrayElement
#define glVertexPointer vxglVertexPointer
#define glNormalPointer vxglNormalPointer
#define glColorPointer vxglColorPointer
#define glTexCoordPointer vxglTexCoordPointer
#define glEnableClientState vxglEnableClientState
#define glDisableClientState vxglDisableClientState
#define glDrawElements vxglDrawElements
#define glMatrixMode vxglMatrixMode
#define glLoadIdentity vxglLoadIdentity
#define glPushMatrix vxglPushMatrix
#define glPopMatrix vxglPopMatrix
#define glLoadMatrixf vxglLoadMatrixf
#define glMultMatrixf vxglMultMatrixf
#define glTranslatef vxglTranslatef
#define glRotatef vxglRotatef
#define glScalef vxglScalef
#define glOrtho vxglOrtho
#define glFrustum vxglFrustum
#define glEnable vxglEnable
#define glDisable vxglDisable
#define glIsEnabled vxglIsEnabled
#define glBlendFunc vxglBlendFunc
#define glDepthFunc vxglDepthFunc
#define glDepthMask vxglDepthMask
#define glClearDepth vxglClearDepth
#define glClearColor vxglClearColor
#define glClear vxglClear
#define glCullFace vxglCullFace
#define glFrontFace vxglFrontFace
#define glShadeModel vxglShadeModel
#define glHint vxglHint
#define glPolygonMode vxglPolygonMode
#define glViewport vxglViewport
#define glFinish vxglFinish
#define glFlush vxglFlush
#define glPushAttrib vxglPushAttrib
#define glPopAttrib vxglPopAttrib
#define glReadPixels vxglReadPixels
#define glPixelStorei vxglPixelStorei
#define glGetError vxglGetError
#define glGetIntegerv vxglGetIntegerv
#define glGetFloatv vxglGetFloatv
#define glGetBooleanv vxglGetBooleanv
#define glGetString vxglGetString
#define glGenTextures vxglGenTextures
#define glDeleteTextures vxglDeleteTextures
#define glBindTexture vxglBindTexture
#define glIsTexture vxglIsTexture
#define glTexParameteri vxglTexParameteri
#define glTexParameterf vxglTexParameterf
#define glTexImage2D vxglTexImage2D
#define glGetTexParameteriv vxglGetTexParameteriv
#define glGetTexLevelParameteriv vxglGetTexLevelParameteriv
#define glGetTexImage vxglGetTexImage
#define glTexEnvf vxglTexEnvf
#define glTexEnvi vxglTexEnvi
#define glGetTexEnviv vxglGetTexEnviv
#define glTexGeni vxglTexGeni
#define glGetTexGeniv vxglGetTexGeniv
