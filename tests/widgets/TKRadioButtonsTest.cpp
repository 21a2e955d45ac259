#include "TKRadioButtons.h"
#include "InteractionTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <sstream>
#include <string>

using namespace widgettest;

namespace
{
/** The owner's side, one line per call; every call must come from `row`. */
struct Recorder : TKUICallback
{
    void valueChanged(EComponent* s, int id, float v) override { log(s) << "value " << id << " " << v; }
    void ui_beginGesture(EComponent* s, int id) override { log(s) << "begin " << id; }
    void ui_endGesture(EComponent* s, int id) override { log(s) << "end " << id; }
    std::ostringstream& log(EComponent* sender)
    {
        EXPECT_EQ(sender, row);
        calls << (calls.tellp() > 0 ? ", " : "");
        return calls;
    }
    EComponent* row = nullptr;
    std::ostringstream calls;
};

class TKRadioButtonsTest : public ::testing::Test
{
protected:
    /** A bound, laid out and visible row of the first `n` legato items, as the editor makes it. */
    TKRadioButtons& makeRow(int n, float value, int fontSize = 22)
    {
        row = std::make_unique<TKRadioButtons>();
        owner.row = row.get();
        owner.calls.str("");
        row->setCallback(&owner);
        row->setParamId(9);
        row->setValue(value, false);
        row->title = "LEGATO STATE";
        for (int i = 0; i < n; ++i)
            row->addItem(juce::StringArray{"Off ", "On ", "Hold "}[i]);
        const auto size = row->prepareForFontSize(fontSize);
        row->setBounds(0, 0, size.x, size.y);
        row->setVisible(true);
        return *row;
    }

    /** Per item, which image a paint shows, found by comparing alphas: 'S'elected, 'N'ormal or 'P'ressed. */
    std::string shown() const
    {
        const juce::Image painted = snapshot(*row);
        std::string states;
        for (const auto& item : row->items)
            for (const auto& [state, image] : {std::pair<char, juce::Image*>{'S', item.selectedImage.get()},
                                               {'N', item.normalImage.get()},
                                               {'P', item.pressedImage.get()}})
            {
                bool same = true;
                for (int y = 0; y < image->getHeight(); ++y)
                    for (int x = 0; x < image->getWidth(); ++x)
                        same = same && alphaAt(painted, item.x + x, item.y + y) == alphaAt(*image, x, y);
                if (same)
                {
                    states += state;
                    break;
                }
            }
        return states;
    }

    juce::Point<int> centreOf(int item) const
    {
        if (item < 0)
            return {1, 1}; // on the caption
        const auto& b = row->items[(size_t)item];
        return {b.x + b.width / 2, b.y + b.height / 2};
    }

    ScopedDisplayScale scale{1.0f};
    ScopedFontKit fonts;
    Recorder owner;
    std::unique_ptr<TKRadioButtons> row;
};
} // namespace

TEST_F(TKRadioButtonsTest, LayoutPlacesItemsLeftToRightUnderTheCaptionWithFractionalGaps)
{
    for (const auto& [s, fontSize] : {std::pair<float, int>{1.0f, 22}, {2.0f, 22}, {1.0f, 15}})
    {
        ScopedDisplayScale display(s);
        makeRow(3, 0.0f, 9);
        const int smallWidth = row->items[2].width;
        // Laid out again at another size: every image is replaced and the items move.
        const auto size = row->prepareForFontSize(fontSize);
        EXPECT_GT(row->items[2].width, smallWidth);

        const int itemTop = (int)((float)row->titleImage->getHeight() / s + 4.0f);
        double right = 0.0;
        int tallest = 0;
        for (const auto& item : row->items)
        {
            EXPECT_EQ(juce::Rectangle<int>(item.x, item.y, item.width, item.height),
                      juce::Rectangle<int>((int)right, itemTop,
                                           (int)((float)item.selectedImage->getWidth() / s),
                                           (int)((float)item.selectedImage->getHeight() / s)));
            right += item.width + 0.3 * fontSize; // 6.6 pixels at 22: the fractions add up
            tallest = std::max(tallest, item.height);
        }
        EXPECT_EQ(size, juce::Point<int>((int)(right - 0.3 * fontSize), itemTop + tallest)) << s << fontSize;
    }
    ScopedDisplayScale doubleDensity(2.0f);
    ClickMouse().press(makeRow(3, 0.5f), centreOf(2));
    saveArtefact(snapshot(*row, 2), "radio_row_legato_2x_hold_pressed.png");
}

TEST_F(TKRadioButtonsTest, SelectionIsDerivedFromTheValueAndStaysInsideTheItems)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const struct
    {
        int items;
        float value;
        const char* shown;
    } cases[] = {
        // clang-format off
        {2, 0.99f, "SN"}, {2, 1.0f, "NS"}, {3, 0.49f, "SNN"}, {3, 0.5f, "NSN"}, {3, 0.99f, "NSN"},
        {3, 1.0f, "NNS"}, {1, 0.7f, "S"},
        // What a host or a corrupt state may deliver stays on the nearest end; NaN counts as 0.
        {2, 1.5f, "NS"}, {3, 7.0f, "NNS"}, {3, -0.5f, "SNN"}, {3, nan, "SNN"}, {3, inf, "NNS"}, {3, 3e9f, "NNS"},
        // clang-format on
    };
    for (const auto& c : cases)
    {
        makeRow(c.items, c.value);
        EXPECT_EQ(shown(), c.shown) << c.items << " items, value " << c.value;
    }
}

TEST_F(TKRadioButtonsTest, OnlyAReleaseOverThePressedUnselectedItemReportsOneGesture)
{
    const struct
    {
        float value;
        int press, release; // item index; -1: on the caption, or off the row for a release
        const char* whilePressed;
        const char* calls;
        float valueAfter;
    } cases[] = {
        {0.0f, 2, 2, "SNP", "begin 9, value 9 1, end 9", 1.0f},
        {0.0f, 1, 1, "SPN", "begin 9, value 9 0.5, end 9", 0.5f},
        {1.0f, 0, 0, "PNS", "begin 9, value 9 0, end 9", 0.0f},
        {0.0f, 1, 2, "SPN", "", 0.0f},  // released over another item
        {0.0f, 1, -1, "SPN", "", 0.0f}, // dragged off the row
        {0.0f, 0, 0, "SNN", "", 0.0f},  // already selected
        {0.0f, -1, 1, "SNN", "", 0.0f}, // pressed on the caption
        {7.0f, 2, 2, "NNS", "", 7.0f},  // out of range: the last item is the selected one
    };
    for (const auto& c : cases)
    {
        makeRow(3, c.value);
        ClickMouse mouse;
        mouse.press(*row, centreOf(c.press));
        EXPECT_EQ(shown(), c.whilePressed) << c.press << " -> " << c.release;
        mouse.release(*row, c.release < 0 ? juce::Point<int>(-5, -5) : centreOf(c.release));
        EXPECT_EQ(owner.calls.str(), c.calls) << c.press << " -> " << c.release;
        EXPECT_FLOAT_EQ(row->getValue(), c.valueAfter);
        EXPECT_EQ(shown().find('P'), std::string::npos) << "the faint highlight goes at the release";
    }
    // Without an owner the choice is still made.
    makeRow(3, 0.0f).setCallback(nullptr);
    ClickMouse().click(*row, centreOf(1));
    EXPECT_FLOAT_EQ(row->getValue(), 0.5f);
}

TEST_F(TKRadioButtonsTest, RowWithoutItemsPaintsOnlyItsCaptionAndNeverReports)
{
    const auto caption = makeRow(0, 0.5f).titleImage->getBounds();
    EXPECT_EQ(row->getBounds(), juce::Rectangle<int>(0, caption.getHeight() + 4));
    row->setSize(caption.getWidth(), caption.getHeight() + 20);
    EXPECT_EQ(inkBounds(snapshot(*row)), inkBounds(*row->titleImage));
    for (const auto at : {juce::Point<int>(5, caption.getHeight() + 10), juce::Point<int>(5, 5)})
        ClickMouse().click(*row, at);
    EXPECT_EQ(owner.calls.str(), "");
}
