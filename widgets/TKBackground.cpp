#include "TKBackground.h"

#include "BinaryData.h"

void TKBackground::init(juce::Image newSplash, juce::Image newPaper, juce::Rectangle<int> bounds,
                        Logo::LogoCallback* callback)
{
    transform = juce::AffineTransform();
    splash = newSplash;
    paper = newPaper;
    scaledSplash =
        splash.rescaled(bounds.getWidth(), bounds.getHeight(), juce::Graphics::highResamplingQuality);

    title.icon.init(BinaryData::title_icon_svg, 10, 10, 0.5f);
    title.text = "Tovka";
    title.addAndMakeVisible(title.icon);
    addAndMakeVisible(title);

    logo.callback = callback;
    logo.normalSvg.init(BinaryData::orvalu_svg, 160, 32, 0.5f);
    logo.addAndMakeVisible(logo.normalSvg);
    logo.pressedSvg.init(BinaryData::orvalu_svg, 160, 32, 0.2f);
    logo.addAndMakeVisible(logo.pressedSvg);
    logo.pressedSvg.setVisible(false);
    logo.addMouseListener(&logo, true);
    logo.setSize(160, 32);
    addAndMakeVisible(logo);
}

void TKBackground::paint(juce::Graphics& g)
{
    g.setTiledImageFill(paper, 0, 0, 1.0f);
    g.fillAll();
    g.drawImageTransformed(scaledSplash, transform, false);
}

void TKBackground::resized()
{
    const float W = (float)getWidth();
    const float H = (float)getHeight();

    transform = juce::AffineTransform();
    scaledSplash = splash.rescaled(getWidth(), getHeight(), juce::Graphics::highResamplingQuality);

    // The title's aspect is that of the icon above the name.
    title.setBounds(5, 5, (int)(0.2 * H), (int)(0.2 * H / (double)0.5677083f));

    const float side = (float)(juce::jmin(W, H) * 0.2);
    const float logoHeight = 0.2f * side;
    logo.setSize((int)side, (int)logoHeight);
    logo.normalSvg.setSize((int)side, (int)logoHeight);
    logo.pressedSvg.setSize((int)side, (int)logoHeight);
    logo.setTopLeftPosition((int)(W - 5.0f - side), (int)(H - 5.0f - logoHeight));
    logo.repaint();
}
