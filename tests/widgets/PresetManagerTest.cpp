#include "PresetManager.h"
#include "FactoryPresets.h"
#include "WidgetTestSupport.h"

#include <tuple>
#include <vector>

namespace
{
/** A manager with one category per count (named A, B, ...), sized the editor's way, with its bar. */
struct Browser : PresetManagerDelegate
{
    explicit Browser(std::vector<int> counts)
    {
        for (size_t c = 0; c < counts.size(); ++c)
            for (int p = 0, cat = manager.addCategory(juce::String::charToString('A' + (int)c));
                 p < counts[c]; ++p)
                manager.addPreset(manager.categories[c].name + juce::String(p), cat, FactoryPresetData[0], 1);
        manager.finishInit();
        bar = manager.CreateOpenButton();
        bar->setVisible(true);
        manager.setBounds(0, 0, 780, 400);
        manager.setVisible(true);
    }
    void setNewState(float* v) override
    {
        const auto& m = manager; // the chosen preset's own block
        EXPECT_EQ(v, m.categories[(size_t)m.currentCategory].presets[(size_t)m.currentPreset].values.get());
        ++applied;
    }
    void closePresetlist() override { ++closes; }
    void openPresetlist() override { ++opens; }

    /** Clicks '<', 'o', '>' on the bar, digits on preset rows, letters on category rows; each state after. */
    juce::String run(const std::string& clicks)
    {
        juce::String states = state();
        for (const char c : clicks)
        {
            if (c == '>' || c == '<' || c == 'o')
                Mouse(*bar).click(c == '<' ? 15.0f : c == '>' ? 135.0f : 75.0f, 12);
            else
                Mouse(manager).click(c >= 'a' ? 250.0f : 400.0f,
                                     45.0f + (float)(c - (c >= 'a' ? 'a' : '0')) * 30);
            states += " | " + state();
        }
        return states;
    }

    /** Arrows ('-' when disabled), bar text, shown category:selected row, and presets applied. */
    juce::String state() const
    {
        return juce::String(bar->prevButton.isEnabled() ? "<" : "-") +
               (bar->nextButton.isEnabled() ? ">" : "-") + " " + bar->nameButton.getButtonText() + " @" +
               juce::String(manager.shownCategory) + ":" + juce::String(manager.presetList.getSelectedRow()) +
               " #" + juce::String(applied);
    }

    int applied = 0, closes = 0, opens = 0;
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

TEST(PresetManager, ArrowsStopAtTheEndsRowsChooseAndOnlyTheBackdropCloses)
{
    const std::tuple<std::vector<int>, const char*, const char*> cases[] = {
        // clang-format off
        {{2, 3}, "<>>><>>>>", "-> --- @0:-1 #0 | -> --- @0:-1 #0 | -> A0 @0:0 #1 | <> A1 @0:1 #2 | "
                              "<> B0 @1:0 #3 | <> A1 @0:1 #4 | <> B0 @1:0 #5 | <> B1 @1:1 #6 | "
                              "<- B2 @1:2 #7 | <- B2 @1:2 #7"},
        {{2, 0}, ">>>", "-> --- @0:-1 #0 | -> A0 @0:0 #1 | <- A1 @0:1 #2 | <- A1 @0:1 #2"},
        // Stepping back into an empty category would apply a preset that does not exist.
        {{1, 0, 2}, "c0<", "-> --- @0:-1 #0 | -> --- @2:-1 #0 | -> C0 @2:0 #1 | -> C0 @2:0 #1"},
        {{0, 1}, "><", "-- --- @0:-1 #0 | -- --- @0:-1 #0 | -- --- @0:-1 #0"},
        // clang-format on
    };
    for (const auto& [counts, clicks, states] : cases)
        EXPECT_EQ(Browser(counts).run(clicks), states) << clicks;

    Browser browser({4, 2}); // the overlay: rows choose, only the backdrop closes
    auto& m = browser.manager;
    EXPECT_EQ(browser.run("o3"), "-> --- @0:-1 #0 | -> --- @0:-1 #0 | <> A3 @0:3 #1");
    // Rows the framework may report below the last ones name nothing; choosing leaves the overlay open.
    m.catModel.listBoxItemClicked(2, Mouse(m).event(0, 0));
    m.presetModel.listBoxItemClicked(4, Mouse(m).event(0, 0));
    EXPECT_EQ(browser.state(), "<> A3 @0:3 #1");
    EXPECT_EQ(std::make_pair(browser.opens, browser.closes), std::make_pair(1, 0));
    Mouse(m).click(700, 15), Mouse(m).click(10, 390);
    EXPECT_EQ(browser.closes, 2);
    snapshot(m, 1, "preset_browser_780x400.png"), snapshot(*browser.bar, 3, "preset_bar_3x.png");
}

TEST(PresetBar, ButtonsLetGoOfTheLookAndFeelBeforeItIsDeleted)
{
    struct Watched : juce::LookAndFeel_V4
    {
        explicit Watched(PresetButton& b) : bar(b) {}
        ~Watched() override
        {
            for (juce::TextButton* button : {&bar.prevButton, &bar.nameButton, &bar.nextButton})
                EXPECT_NE(&button->getLookAndFeel(), this) << "still used as it is deleted";
        }
        PresetButton& bar;
    };
    PresetButton bar;
    bar.init(nullptr, new Watched(bar));
}
