#include "Pencil.h"
#include "SVGComponent.h"
#include "WidgetTestSupport.h"

#include <memory>

using namespace widgettest;

TEST(TKGraphics, PicturesAreFoundByNameTheDoubleDensityOnesAboveScaleOne)
{
    // Only PNG names are formed, so a font's base name finds nothing.
    for (const auto& [s, width] : {std::pair<float, int>{1.0f, 300}, {1.5f, 600}, {2.0f, 600}})
    {
        ScopedDisplayScale scale(s);
        EXPECT_EQ(TKGraphics::GetImage("pencil").getWidth(), width) << s;
        for (const char* name : {"nothing", (const char*)nullptr, "Enyo"})
            EXPECT_TRUE(TKGraphics::GetImage(name).isNull());
    }
}

/** An empty image for a logical size is made at device size, truncated, and drawn back at the
    logical size, its corner at (10, 5) or centred on (100, 50), at an opacity left set afterwards. */
TEST(TKGraphics, EmptyImagesAreAtDeviceSizeTruncatedAndDrawnBackAtLogicalSize)
{
    const struct
    {
        float s;
        int w, h;
        bool centred;
        juce::Rectangle<int> device, drawn;
    } cases[] = {
        {2.0f, 30, 40, false, {60, 80}, {10, 5, 30, 40}},
        {1.5f, 5, 3, false, {7, 4}, {10, 5, 4, 2}},
        {1.0f, 61, 61, false, {61, 61}, {10, 5, 61, 61}},
        {2.0f, 30, 30, true, {60, 60}, {85, 35, 30, 30}},
        {1.5f, 21, 21, true, {31, 31}, {89, 39, 20, 20}}, // 100 - 31 / 1.5 / 2 truncates to 89
        {1.5f, 0, 10, false, {}, {}},
    };
    for (const auto& c : cases)
    {
        ScopedDisplayScale scale(c.s);
        const std::unique_ptr<juce::Image> image(TKGraphics::GetImageEmpty({3, 4, c.w, c.h}));
        EXPECT_EQ(image->getBounds(), c.device) << c.s << " " << c.w;
        if (image->isNull())
            continue;
        EXPECT_TRUE(image->getFormat() == juce::Image::ARGB && inkBounds(*image).isEmpty());
        image->clear(image->getBounds(), juce::Colours::blue);
        juce::Image target(juce::Image::ARGB, 200, 100, true);
        juce::Graphics g(target);
        if (c.centred)
            TKGraphics::DrawImageCenteredAt(g, *image, 100, 50, 0.5f);
        else
            TKGraphics::DrawImageAt(g, *image, 10, 5, 0.5f);
        EXPECT_EQ(inkBounds(target, {}, 100), c.drawn) << c.s << " " << c.w;
        g.drawImageAt(*image, 150, 50);
        EXPECT_NEAR(target.getPixelAt(151, 51).getAlpha(), 128, 1);
    }
}

TEST(Pencil, StrokesAreQuadsAroundTheSegmentAndSingleLinesFadeInAndOut)
{
    ScopedDisplayScale scale(1.0f);
    Pencil pencil(5.0f, "pencil");
    const juce::Point<float> corners[] = {{-2.5f, 0.0f}, {2.5f, 0.0f}, {2.5f, 10.0f}, {-2.5f, 10.0f}};
    const auto line = pencil.createLine(0.0f, 0.0f, 0.0f, 10.0f, -1.0f);
    juce::Path::Iterator it(line.quad);
    for (const auto& corner : corners)
        EXPECT_TRUE(it.next() && corner.getDistanceFrom({it.x1, it.y1}) < 1e-5f) << corner.toString();

    // Five strokes fade in forwards over the first 5 %, the full part follows, and five
    // strokes fade out backwards from the end over the last 5 %: starts as fractions of the length.
    pencil.addSingleLine(0.0f, 0.0f, 100.0f, 0.0f, 0.05f, 0.05f, 5);
    ASSERT_EQ(pencil.lines.size(), 10u);
    const float from[] = {0.0f, 0.01f, 0.02f, 0.03f, 0.04f, 0.96f, 0.97f, 0.98f, 0.99f, 1.0f};
    const float alpha[] = {0.2f, 0.4f, 0.6f, 0.8f, 1.0f, 5.0f / 6, 4.0f / 6, 3.0f / 6, 2.0f / 6, 1.0f / 6};
    for (size_t i = 0; i < 10; ++i)
    {
        EXPECT_NEAR(pencil.lines[i].startX, from[i] * 100.0f, 1e-4f) << i;
        EXPECT_NEAR(pencil.lines[i].alpha, alpha[i], 1e-6f) << i;
        EXPECT_NEAR(pencil.lines[i].angle, i < 5 ? 1.5707964f : -1.5707964f, 1e-6f) << i;
    }
}

TEST(FontManager, ReferencesShareOneInstanceAndTheTextSizePicksFontAndPencil)
{
    // Stray calls first: they must not unbalance later references.
    FontManager::destroy();
    auto first = std::make_unique<ScopedFonts>();
    FontManager* kit = FontManager::getInstance();
    {
        ScopedFonts second;
        EXPECT_EQ(FontManager::create({}, {}, 99, {}), kit);
        FontManager::destroy();
    }
    EXPECT_EQ(FontManager::getInstance(), kit) << "the first editor to close keeps it for the second";
    for (const float s : {1.0f, 2.0f})
    {
        ScopedDisplayScale scale(s);
        // Below 16 the small font, squeezed: narrower text. The pencil thickens at 20 and 35.
        const struct
        {
            float size, pencil;
        } sizes[] = {{15.9f, 2.0f}, {16.0f, 2.0f}, {20.0f, 3.0f}, {34.9f, 3.0f}, {35.0f, 4.0f}};
        int width = 0;
        for (const auto& c : sizes)
        {
            const std::unique_ptr<juce::Image> image(kit->createImage("Vowel Ah", c.size, 0.6f));
            EXPECT_FLOAT_EQ(kit->pencil->size, c.pencil * s) << c.size << " at " << s;
            EXPECT_FLOAT_EQ(kit->largeFont.getExtraKerningFactor(), 1.0f / (float)(int)c.size);
            EXPECT_TRUE(c.size != 16.0f || image->getWidth() > width * 1.15) << s;
            width = image->getWidth();
            if (c.size == 20.0f && s == 2.0f)
                saveArtefact(*image, "text_size20_2x.png");
        }
        // draw judges the pencil by the pixel height, the font by the logical size.
        juce::Image target(juce::Image::ARGB, 200, 60, true);
        juce::Graphics g(target);
        kit->draw(g, "Mix", 19.0f * s, {0, 0, 200, 60}, juce::Justification::centred, s, 0.9f, 0.5f, false);
        EXPECT_FLOAT_EQ(kit->pencil->size, (s == 1.0f ? 2.0f : 4.0f) * s);
        EXPECT_FLOAT_EQ(kit->largeFont.getExtraKerningFactor(), 1.0f / 19.0f);
    }
    first.reset();
    EXPECT_EQ(FontManager::getInstance(), nullptr);
}

TEST(SVGComponent, CacheIsAtDeviceResolutionTopLeftAndFollowsTheSize)
{
    ScopedDisplayScale scale(2.0f);
    SVGComponent logo;
    logo.init(BinaryData::orvalu_svg, 160, 32, 0.5f);
    ASSERT_EQ(logo.cache->getBounds(), juce::Rectangle<int>(320, 64));
    // Fitted without stretching: the spare height is left at the bottom.
    const auto ink = inkBounds(*logo.cache);
    EXPECT_TRUE(ink.getX() <= 2 && ink.getY() <= 2 && ink.getRight() >= 316 && ink.getBottom() < 62)
        << ink.toString();
    logo.setSize(80, 16);
    EXPECT_EQ(logo.cache->getBounds(), juce::Rectangle<int>(160, 32));
}
