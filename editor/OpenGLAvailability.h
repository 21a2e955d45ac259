#pragma once

#include <juce_opengl/juce_opengl.h>

/** True when a window of this process can get an OpenGL context with this
    pixel format. On Linux that needs GLX on the X display the framework uses
    and a frame-buffer configuration that fits the format: without them the
    framework's context is never made and its component would stay blank, or
    its render thread would fail, so the caller paints the ordinary way.
    Message thread only. */
bool canCreateOpenGLContext(const juce::OpenGLPixelFormat& format);
