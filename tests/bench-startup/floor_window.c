/* The floor for the show's start-up: the least a program can do to put a
 * full-screen OpenGL 640x480 picture on this display. It asks for the show's
 * pixel format (falling back to SDL's defaults), opens the same full-screen
 * window, clears and swaps twice, then waits to be killed. startup.sh runs it
 * under the same shim as the show, which notes the time of the second swap. */
#include <SDL.h>
#include <GL/gl.h>

static void askShowFormat(void) {
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 1);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

int main(void) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return 1;
    }
    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
    askShowFormat();
    SDL_Window* window = SDL_CreateWindow("floor", 0, 0, 640, 480, flags);
    if (window == NULL) {
        SDL_GL_ResetAttributes();
        window = SDL_CreateWindow("floor", 0, 0, 640, 480, flags);
    }
    if (window == NULL) {
        return 1;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == NULL) {
        return 1;
    }
    for (int i = 0; i < 2; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SDL_GL_SwapWindow(window);
    }
    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_QUIT) {
                return 0;
            }
        }
        SDL_Delay(10);
    }
}
