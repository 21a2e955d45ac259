#include "TKRadioButtons.h"
#include "WidgetTestSupport.h"

#include <limits>

using namespace widgettest;

namespace
{
/** A row of the first `n` legato items bound to id 9, laid out, visible and
    reporting to `owner`, as the editor makes it. */
struct Row
{
    Row(int n, float value)
    {
        row.paramId = 9, row.value = value, row.title = "LEGATO STATE";
        for (int i = 0; i < n; ++i)
            row.addItem(juce::StringArray{"Off ", "On ", "Hold "}[i]);
        const auto size = row.prepareForFontSize(22);
        row.setBounds(0, 0, juce::jmax(size.x, row.titleImage->getWidth()), size.y);
        row.setVisible(true);
    }

    /** Per item, which image a paint shows, told by its strongest alpha (about 245, 145 or 80):
        'S'elected, 'N'ormal or 'P'ressed. */
    std::string shown()
    {
        const juce::Image painted = snapshot(row);
        std::string states;
        for (const auto& item : row.items)
        {
            int alpha = 0;
            inkBounds(painted, {item.x, item.y, item.width, item.height}, &alpha);
            states += alpha > 200 ? 'S' : alpha > 110 ? 'N' : 'P';
        }
        return states;
    }

    /** The middle of an item; -1: on the caption, -2: off the row. */
    juce::Point<float> at(int item) const
    {
        if (item < 0)
            return item == -1 ? juce::Point<float>(1, 1) : juce::Point<float>(-5, -5);
        const auto& b = row.items[(size_t)item];
        return {(float)b.x + (float)b.width / 2, (float)b.y + (float)b.height / 2};
    }

    ScopedFonts fonts;
    TKRadioButtons row;
    RecordingOwner owner{row};
};
} // namespace

TEST(TKRadioButtons, SelectionFollowsTheValueAndOnlyAReleaseOverThePressedOtherItemReports)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct
    {
        int items;
        float value;
        int press, release; // item index; -1: on the caption, -2: off the row
        const char* whilePressed;
        const char* reports;
    } cases[] = {
        // clang-format off
        {3, 0.49f, -1, -1, "SNN", ""}, {3, 0.5f, -1, -1, "NSN", ""}, {3, 0.99f, -1, -1, "NSN", ""},
        {2, 1.0f, -1, -1, "NS", ""}, {1, 0.7f, -1, -1, "S", ""},
        // What a host or a corrupt state may deliver stays on the nearest end; NaN counts as 0.
        {3, -0.5f, -1, -1, "SNN", ""}, {3, nan, -1, -1, "SNN", ""}, {3, 3e9f, -1, -1, "NNS", ""},
        {3, 0.0f, 2, 2, "SNP", "b9 c9=1 e9"}, {3, 0.0f, 1, 1, "SPN", "b9 c9=0.500 e9"},
        {3, 1.0f, 0, 0, "PNS", "b9 c9=0 e9"}, {3, 7.0f, 2, 2, "NNS", ""},
        {3, 0.0f, 1, 2, "SPN", ""}, {3, 0.0f, 1, -2, "SPN", ""}, {3, 0.0f, -1, 1, "SNN", ""},
        // Without items only the caption shows, and nothing reports.
        {0, 0.5f, -1, -1, "", ""}, {0, 0.5f, -2, -2, "", ""},
        // clang-format on
    };
    for (const auto& c : cases)
    {
        Row r(c.items, c.value);
        Mouse mouse(r.row);
        mouse.press(r.at(c.press).x, r.at(c.press).y);
        EXPECT_EQ(r.shown(), c.whilePressed) << c.items << " items at " << c.value << ", " << c.press;
        mouse.release(r.at(c.release).x, r.at(c.release).y);
        EXPECT_EQ(r.owner.log, c.reports) << c.value << ": " << c.press << " -> " << c.release;
        EXPECT_EQ(r.shown().find('P'), std::string::npos) << "the faint highlight goes at the release";
        EXPECT_TRUE(c.items > 0 || inkBounds(snapshot(r.row)) == inkBounds(*r.row.titleImage));
    }
    ScopedDisplayScale doubleDensity(2.0f);
    Row r(3, 0.5f);
    Mouse(r.row).press(r.at(2).x, r.at(2).y);
    saveArtefact(snapshot(r.row, 2), "radio_row_legato_2x_hold_pressed.png");
}
