#include "PresetManager.h"
#include "FactoryPresets.h"
#include "InteractionTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace widgettest;

namespace
{
/** A manager filled and sized the editor's way, with its bar, answering to a
    recording owner. Rows and arrows take real clicks. */
struct Browser : PresetManagerDelegate
{
    /** One category per count (named A, B, ...); with no counts, the factory presets. */
    explicit Browser(std::vector<int> counts = {})
    {
        if (counts.empty())
            for (int r = 0, cat = manager.addCategory("FACTORY"); r < NumFactoryPresets; ++r)
                manager.addPreset(FactoryPresetNames[r], cat, FactoryPresetData[r], NumParameters);
        for (size_t c = 0; c < counts.size(); ++c)
        {
            const juce::String name = juce::String::charToString((juce::juce_wchar)('A' + c));
            const float values[1] = {(float)c};
            for (int p = 0, cat = manager.addCategory(name); p < counts[c]; ++p)
                manager.addPreset(name + juce::String(p), cat, values, 1);
        }
        manager.finishInit();
        bar = manager.CreateOpenButton();
        bar->setVisible(true);
        manager.setBounds(0, 0, 780, 400);
        manager.setVisible(true);
    }
    void setNewState(float* values) override { applied.push_back(values); }
    void closePresetlist() override { ++closes; }
    void openPresetlist() override { ++opens; }

    /** '>' and '<' click the arrows, a digit that preset row, a letter that category row. */
    void step(char c)
    {
        if (c == '>' || c == '<')
            ClickMouse().click(*bar, {c == '<' ? 15 : 135, 12});
        else
            ClickMouse().click(manager, c >= 'a' ? juce::Point<int>(250, 45 + (c - 'a') * 30)
                                                 : juce::Point<int>(400, 45 + (c - '0') * 30));
    }

    /** Current category/preset, arrows ("<>", '-' when disabled), bar text, shown category and selected row.
     */
    std::string state() const
    {
        return std::to_string(manager.currentCategory) + "/" + std::to_string(manager.currentPreset) + " " +
               (bar->prevButton.isEnabled() ? "<" : "-") + (bar->nextButton.isEnabled() ? ">" : "-") + " " +
               bar->nameButton.getButtonText().toStdString() + " shows " +
               std::to_string(manager.shownCategory) + " row " +
               std::to_string(manager.presetList.getSelectedRow());
    }

    std::vector<float*> applied;
    int closes = 0, opens = 0;
    PresetManager manager{this};
    PresetButton* bar = nullptr;
};
} // namespace

TEST(FactoryPresets, InitHoldsTheParameterDefaults)
{
    EXPECT_STREQ(FactoryPresetNames[0], "INIT");
    for (int id = 0; id < NumParameters; ++id)
        EXPECT_EQ(FactoryPresetData[0][id], ParameterDefaultValues[id]) << ParameterNames[id];
}

TEST(PresetManager, ArrowsStepWithoutWrapAroundAndOnlyWhereAPresetLies)
{
    const struct
    {
        std::vector<int> counts;
        std::string steps;
        std::vector<std::string> states; // at start, then after each step
    } cases[] = {
        {{},
         ">><",
         {"-1/-1 -> --- shows 0 row -1", "0/0 -> INIT shows 0 row 0", "0/1 <> CLEAN 1 shows 0 row 1",
          "0/0 -> INIT shows 0 row 0"}},
        {{},
         "9>>>><",
         {"-1/-1 -> --- shows 0 row -1", "0/9 <> BLOWING 2 shows 0 row 9", "0/10 <> SYNTHLEAD shows 0 row 10",
          "0/11 <> SYNTHPAD shows 0 row 11", "0/12 <> DRILL 1 shows 0 row 12",
          "0/13 <- DRILL 2 shows 0 row 13", "0/12 <> DRILL 1 shows 0 row 12"}},
        {{2, 3},
         ">>><>>>",
         {"-1/-1 -> --- shows 0 row -1", "0/0 -> A0 shows 0 row 0", "0/1 <> A1 shows 0 row 1",
          "1/0 <> B0 shows 1 row 0", "0/1 <> A1 shows 0 row 1", "1/0 <> B0 shows 1 row 0",
          "1/1 <> B1 shows 1 row 1", "1/2 <- B2 shows 1 row 2"}},
        {{2, 0}, ">>", {"-1/-1 -> --- shows 0 row -1", "0/0 -> A0 shows 0 row 0", "0/1 <- A1 shows 0 row 1"}},
        // Stepping back into an empty category would apply a preset that does not exist.
        {{1, 0, 2},
         "c10",
         {"-1/-1 -> --- shows 0 row -1", "-1/-1 -> --- shows 2 row -1", "2/1 <- C1 shows 2 row 1",
          "2/0 -> C0 shows 2 row 0"}},
        {{0, 1}, "", {"-1/-1 -- --- shows 0 row -1"}},
    };
    for (const auto& c : cases)
    {
        Browser browser(c.counts);
        EXPECT_EQ(browser.state(), c.states[0]);
        for (size_t i = 0; i < c.steps.size(); ++i)
        {
            browser.step(c.steps[i]);
            const auto& m = browser.manager;
            EXPECT_EQ(browser.state(), c.states[i + 1]) << "after step " << i << " of " << c.steps;
            if (m.currentPreset >= 0) // each change applies the current preset's own block
            {
                EXPECT_EQ(
                    browser.applied.back(),
                    m.categories[(size_t)m.currentCategory].presets[(size_t)m.currentPreset].values.get());
            }
        }
        // A disabled arrow sends nothing.
        const auto before = browser.state();
        const size_t applied = browser.applied.size();
        if (!browser.bar->prevButton.isEnabled())
            browser.step('<');
        if (!browser.bar->nextButton.isEnabled())
            browser.step('>');
        EXPECT_EQ(browser.state(), before);
        EXPECT_EQ(browser.applied.size(), applied) << c.steps;
    }
}

TEST(PresetManager, ChoosingAPresetAppliesItsOwnCopyAgainEveryTime)
{
    Browser browser({0});
    float values[3] = {0.25f, 0.5f, 0.75f};
    browser.manager.addPreset("MINE", 0, values, 3);
    browser.manager.presetList.updateContent();
    values[1] = 0.9f;
    for (size_t choice = 1; choice <= 2; ++choice)
    {
        browser.step('0');
        ASSERT_EQ(browser.applied.size(), choice);
        EXPECT_EQ(std::vector<float>(browser.applied.back(), browser.applied.back() + 3),
                  (std::vector<float>{0.25f, 0.5f, 0.75f}));
        EXPECT_EQ(browser.state(), "0/0 -- MINE shows 0 row 0");
    }
}

TEST(PresetManager, OverlayCentresThePanelAndOnlyItsBackdropCloses)
{
    const struct
    {
        int h;
        juce::Rectangle<int> categories, presets, panel;
    } cases[] = {{400, {190, 30, 160, 340}, {350, 30, 240, 340}, {190, 30, 400, 340}},
                 {401, {190, 29, 160, 341}, {350, 29, 240, 341}, {190, 30, 400, 341}}}; // half-pixel list top
    Browser browser;
    auto& m = browser.manager;
    for (const auto& c : cases)
    {
        m.setSize(780, c.h);
        EXPECT_EQ(m.categoryList.getBounds(), c.categories);
        EXPECT_EQ(m.presetList.getBounds(), c.presets);
        EXPECT_EQ(m.panelBounds, c.panel.toFloat());
    }
    m.setSize(780, 400);

    browser.step('3');
    browser.step('f'); // an empty row under the only category
    ClickMouse().click(*browser.bar, {75, 12});
    EXPECT_EQ(browser.state(), "0/3 <> CHOIR 1 shows 0 row 3");
    EXPECT_EQ(browser.opens, 1);
    EXPECT_EQ(browser.closes, 0) << "choosing leaves the overlay open";
    for (const auto at : {juce::Point<int>(700, 15), juce::Point<int>(10, 390)})
        ClickMouse().click(m, at);
    EXPECT_EQ(browser.closes, 2);

    const juce::Image painted = snapshot(m);
    saveArtefact(painted, "preset_browser_780x400.png");
    const juce::Colour grey(33, 33, 33);
    EXPECT_EQ(painted.getPixelAt(100, 100).getAlpha(), 128) << "dimmed backdrop";
    EXPECT_EQ(painted.getPixelAt(200, 360), juce::Colours::black) << "category side";
    EXPECT_EQ(painted.getPixelAt(560, 360), grey) << "preset side";
    EXPECT_EQ(painted.getPixelAt(345, 45), grey) << "selected category";
    EXPECT_EQ(painted.getPixelAt(352, 123), juce::Colours::white) << "selected preset";
    const auto darkOnRow3 = [&](int from, int to)
    {
        int n = 0;
        for (int x = from; x < to; ++x)
            n += painted.getPixelAt(x, 135).getRed() < 100;
        return n;
    };
    EXPECT_EQ(darkOnRow3(350, 360), 0);
    EXPECT_GT(darkOnRow3(360, 420), 3) << "its name in black, 10 pixels in";
}
