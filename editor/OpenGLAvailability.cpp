// The X headers come with the framework's own declarations only when asked for
// before its first header.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "OpenGLAvailability.h"

#if JUCE_LINUX || JUCE_BSD
 #include <GL/glx.h>
#endif

bool canCreateOpenGLContext(const juce::OpenGLPixelFormat& format)
{
#if JUCE_LINUX || JUCE_BSD
    auto* display = juce::XWindowSystem::getInstance()->getDisplay();
    if (display == nullptr)
        return false;

    juce::XWindowSystemUtilities::ScopedXLock xLock;
    int errorBase = 0, eventBase = 0;
    if (! glXQueryExtension(display, &errorBase, &eventBase))
        return false;

    // The attributes the framework asks for when it makes the context.
    const int attributes[] = {GLX_RENDER_TYPE, GLX_RGBA_BIT,
                              GLX_DOUBLEBUFFER, True,
                              GLX_RED_SIZE, format.redBits,
                              GLX_GREEN_SIZE, format.greenBits,
                              GLX_BLUE_SIZE, format.blueBits,
                              GLX_ALPHA_SIZE, format.alphaBits,
                              GLX_DEPTH_SIZE, format.depthBufferBits,
                              GLX_STENCIL_SIZE, format.stencilBufferBits,
                              None};
    int count = 0;
    auto* x11 = juce::X11Symbols::getInstance();
    auto* configs = glXChooseFBConfig(display, x11->xDefaultScreen(display), attributes, &count);
    if (configs == nullptr)
        return false;

    // A display can list configurations and still refuse contexts (a remote
    // session whose server allows no indirect rendering): try one.
    auto context = count > 0 ? glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, nullptr, True) : nullptr;
    x11->xFree(configs);
    if (context == nullptr)
        return false;
    glXDestroyContext(display, context);
    return true;
#else
    (void) format;
    return true;
#endif
}
