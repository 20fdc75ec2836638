// What the platforms that run on the compatibility layer over SDL2 (x11/ and windows/)
// share: how it presents a frame.
#pragma once

// Presents each frame through the window's own framebuffer, drawn in software, unless the
// user has chosen how SDL presents. By default the compatibility layer uploads every frame
// as a GPU texture: with no GPU (a virtual machine, a remote desktop, Wine) that is a
// software rasteriser with threads of its own, some 90 MiB and several milliseconds of CPU
// a frame, and many more when the machine is busy: under Wine with three busy processes on
// two cores, 12 to 30 ms from a key's event to its frame, where the framebuffer took 1 to 8.
// SDL2's software renderer with its framebuffer left unaccelerated instead puts the
// 640x480 surface on the window as SDL 1.2 always did: X11 shared memory, GDI on Windows.
// Both are needed: with the software renderer alone SDL2 still presents through a GPU
// texture on X11. GPU presenting is then one variable away
// (SDL_FRAMEBUFFER_ACCELERATION=1).
void present_through_window_framebuffer();
