#include "WidgetTestSupport.h"

#include "TKGraphics.h"

namespace widgettest
{
ScopedDisplayScale::ScopedDisplayScale(float scale)
{
    TKGraphics::setDisplayScaleOverride(scale);
}

ScopedDisplayScale::~ScopedDisplayScale()
{
    TKGraphics::setDisplayScaleOverride(0.0f);
}

juce::Font fontFromResource(const char* data, int size)
{
    return juce::Font(juce::Typeface::createSystemTypefaceFor(data, (size_t)size));
}

juce::Image solidImage(int width, int height, juce::Colour colour)
{
    juce::Image image(juce::Image::ARGB, width, height, false);
    image.clear(image.getBounds(), colour);
    return image;
}

int alphaAt(const juce::Image& image, int x, int y)
{
    return image.getPixelAt(x, y).getAlpha();
}

juce::Rectangle<int> inkBounds(const juce::Image& image, int threshold)
{
    int left = image.getWidth(), top = image.getHeight(), right = -1, bottom = -1;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (alphaAt(image, x, y) > threshold)
            {
                left = juce::jmin(left, x);
                right = juce::jmax(right, x);
                top = juce::jmin(top, y);
                bottom = juce::jmax(bottom, y);
            }
    if (right < 0)
        return {};
    return juce::Rectangle<int>::leftTopRightBottom(left, top, right + 1, bottom + 1);
}

double rowMeanAlpha(const juce::Image& image, int y, int x0, int x1)
{
    double sum = 0.0;
    for (int x = x0; x < x1; ++x)
        sum += alphaAt(image, x, y);
    return sum / (double)(x1 - x0);
}

void saveArtefact(const juce::Image& image, const juce::String& name)
{
    const juce::File dir(TOVKA_TEST_ARTEFACT_DIR);
    dir.createDirectory();
    juce::Image flat(juce::Image::RGB, image.getWidth(), image.getHeight(), false);
    {
        juce::Graphics g(flat);
        g.fillAll(juce::Colours::white);
        g.drawImageAt(image, 0, 0);
    }
    const juce::File file = dir.getChildFile(name);
    file.deleteFile();
    juce::FileOutputStream out(file);
    juce::PNGImageFormat().writeImageToStream(flat, out);
}
} // namespace widgettest
