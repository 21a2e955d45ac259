#include "TKAdsr.h"
#include "TKRadioButtons.h"
#include "TKSlider.h"
#include "TKXYPad.h"
#include "WidgetTestSupport.h"

#include <functional>
#include <map>
#include <tuple>
#include <vector>

namespace
{
/** As the editor makes them, at 0.5: fader 'f' (id 14), pad 'p' (4, 5), envelope 'a' (0..3), row 'r' (9). */
struct Widgets
{
    explicit Widgets(float scale = 0.0f) : kit(scale)
    {
        fader.title = "VOLUME", fader.paramId = 14, fader.value = 0.5f;
        fader.setSize(50, 200);
        pad.title = "Character", pad.xLabel = "NARROW", pad.yLabel = "INTENSE";
        pad.paramIdX = 4, pad.paramIdY = 5;
        pad.setSize(150, 150);
        adsr.paramIds = {0, 1, 2, 3}, adsr.values = {0.5f, 0.5f, 0.5f, 0.5f};
        adsr.setSize(300, 100);
        row.title = "LEGATO STATE", row.paramId = 9, row.value = 0.5f;
        for (const char* item : {"Off ", "On ", "Hold "})
            row.addItem(item);
        row.setSize(100, row.prepareForFontSize(22).y);
    }
    ScopedKit kit;
    TKSlider fader;
    TKXYPad pad;
    TKAdsr adsr;
    TKRadioButtons row;
    std::map<char, EComponent*> byName{{'f', &fader}, {'p', &pad}, {'a', &adsr}, {'r', &row}};
};

/** Per item of `row`, 'S'elected, 'N'ormal or 'P'ressed by the strongest alpha painted (245, 145 or 80). */
std::string shown(TKRadioButtons& row)
{
    const auto painted = snapshot(row);
    std::string out = row.items.empty() && inkBounds(painted) == inkBounds(*row.titleImage) ? "caption" : "";
    for (const auto& b : row.items)
    {
        const juce::Rectangle<int> box(b.x, b.y, b.width, b.height);
        out += "PNS"[!inkBounds(painted, box, 110).isEmpty() + !inkBounds(painted, box, 200).isEmpty()];
    }
    return out;
}
} // namespace

TEST(ValueWidgets, FaderTrackAndThumbLandWhereTheLayoutPutsThem)
{
    Widgets w(2.0f);
    const auto screen = snapshot(w.fader, 2, "fader_2x.png");
    // In units: the track from y 1 to 186, the thumb at 0.5 from x 17 to 33 at y 93.75.
    EXPECT_EQ(inkBounds(screen, {0, 0, 100, 376}), juce::Rectangle<int>(34, 2, 32, 370));
    EXPECT_NEAR(inkBounds(screen, {0, 160, 44, 60}).toFloat().getCentreY(), 187.5f, 2.0f);
    snapshot(w.pad, 2, "xypad_2x.png"), snapshot(w.adsr, 2, "adsr_2x.png");
    snapshot(w.row, 2, "radio_row_2x.png");
}

/** Each case runs a script on one widget (Alt held when its letter is upper case) and compares what its owner
    hears. "pX,Y" press, "dX,Y" drag, "r" release, "cX,Y" double-click, "wDX,DY" wheel, "n" drops the owner or
    takes it back; "sV,..." sets ids 0, 1... (4, 5 on the pad), "zW,H" the size; "v" logs the items the row
    shows, "kN" keeps its first N. */
TEST(ValueWidgets, GesturesReportInOrderClampedScaledByAltAndNeverNaN)
{
    const std::tuple<char, const char*, const char*> cases[] = {
        // clang-format off
        {'f', "p25,100 d25,80 d25,60 r", "b14 c14=0.600 c14=0.700 e14"},
        {'F', "p25,100 d25,80 r w0.3,-0.5", "b14 c14=0.510 e14 c14=0.500"},
        {'f', "s.05 p25,100 d25,120 d25,300 s.95 p25,100 d25,80", "b14 c14=0 c14=0 b14 c14=1"},
        {'f', "c25,50 w0.3,0.5 w0,4", "b14 e14 b14 c14=0.700 e14 c14=0.800 c14=1"},
        {'f', "z50,0 p25,0 d35,-10 d35,-10 r n c25,0 w0,0.5 n w0,0.5", "b14 e14 c14=0.700"},
        // The pad reports both axes, x first; deltaX of the wheel lowers x.
        {'p', "p75,75 d90,60 r", "b4 b5 c4=0.600 c5=0.600 e4 e5"},
        {'P', "p75,75 d90,60 r w0.5,-3", "b4 b5 c4=0.510 c5=0.510 e4 e5 c4=0.500 c5=0.450"},
        {'p', "s.05,.95 p75,75 d60,60 s.95,.05 p75,75 d90,90", "b4 b5 c4=0 c5=1 b4 b5 c4=1 c5=0"},
        {'p', "c75,75 w0.5,0.5", "b4 b5 e4 e5 b4 b5 c4=0.200 c5=0.250 e4 e5 c4=0.100 c5=0.350"},
        {'p', "z0,150 p0,0 d10,-10 d10,-10 r z150,0 p0,0 d10,-10 r n c0,0 w0,0.5 n w0,0.5",
         "b4 b5 e4 e5 b4 b5 e4 e5 c4=0.500 c5=0.700"},
        // The envelope: the handle taken at the press, and only that one, follows the mouse.
        {'a', "p150,40 d150,33 r", "b2 c2=0.597 e2"},
        {'a', "s0,.5,.5,.5 p7,92 d78,92 d100,92 r", "b0 c0=1 c0=1 e0"},
        {'A', "p77,8 d87,8 r w0,-1", "b1 c1=0.514 e1 c2=0.480"},
        {'a', "p233,8 d243,8 d0,8 r", "b3 c3=0.412 c3=1 e3"},
        {'a', "p150,10 d170,60 r c150,10 c77,8", "b1 e1 b1 c1=0.050 e1"},
        {'a', "p43,92 r w0.7,0.5", "b0 e0 c2=0.600"},
        // Rings in the order attack, decay, release, then the sustain column right of the decay ring.
        {'a', "p50,92 r p150,40 r p150,10 r p80,21 r p228,21 r p290,9 r p77,22 r", "b0 e0 b2 e2 b1 e1 b3 e3"},
        {'a', "z300,30 s.5,0,.5,.5 p43,15 r p42,8 r", "b0 e0 b1 e1"},
        {'a', "z10,100 p7,92 d17,82 d17,82 r z300,20 p150,18 d160,8 r z300,100 n c77,8 w0,.5 n w0,.5",
         "b0 e0 b2 e2 c2=0.700"},
        // The row's items: Off around (12, 19), On (42, 18), Hold (78, 19); NaN and values past the ends.
        {'r', "s.49 v s.5 v s.99 v s-.5 v snan v s3e9 v k2 s1 v k1 s.7 v", "SNN NSN NSN SNN SNN NNS NS S"},
        // Only a release over the pressed item reports, and only when it was not the selected one.
        {'r', "s0 p78,19 v r v p42,18 v r v p12,19 v r v",
         "SNP b9 c9=1 e9 NNS NPS b9 c9=0.500 e9 NSN PSN b9 c9=0 e9 SNN"},
        {'r', "s7 p78,19 v r s0 p42,18 v d78,19 r p42,18 d-5,-5 r p1,1 v d42,18 r v", "NNS SPN SNN SNN"},
        {'r', "k0 v p1,1 r p42,18 r v", "caption caption"}, // nothing but the caption, and silent
        // clang-format on
    };
    for (const auto& [name, text, reports] : cases)
    {
        Widgets w;
        EComponent* widget = w.byName[(char)juce::CharacterFunctions::toLowerCase((juce::juce_wchar)name)];
        RecordingOwner owner(*widget);
        Mouse mouse(*widget, name < 'a' ? juce::ModifierKeys::altModifier : 0); // upper case: Alt held
        const std::map<char, std::function<void(const std::vector<float>&)>> ops = {
            {'p', [&](auto& n) { mouse.press(n[0], n[1]); }},
            {'d', [&](auto& n) { mouse.drag(n[0], n[1]); }},
            {'r', [&](auto&) { mouse.release(mouse.last.x, mouse.last.y); }},
            {'c', [&](auto& n) { mouse.doubleClick(n[0], n[1]); }},
            {'w', [&](auto& n) { mouse.wheel(n[0], n[1]); }},
            {'n', [&](auto&) { widget->setCallback(widget->callback != nullptr ? nullptr : &owner); }},
            {'z', [&](auto& n) { widget->setSize((int)n[0], (int)n[1]); }},
            {'v', [&](auto&) { owner.add(shown(w.row)); }},
            {'k', [&](auto& n) { w.row.items.resize((size_t)n[0]); }},
            {'s',
             [&](auto& n)
             {
                 for (size_t i = 0; i < n.size(); ++i)
                     widget->setValueForParamId((widget == &w.pad ? 4 : 0) + (int)i, n[i]);
             }},
        };
        for (const auto& token : juce::StringArray::fromTokens(text, " ", ""))
        {
            std::vector<float> n;
            for (const auto& x : juce::StringArray::fromTokens(token.substring(1), ",", ""))
                n.push_back(x.getFloatValue());
            snapshot(*widget); // painted afresh at each step, which places the envelope's handles
            ops.at((char)token[0])(n);
        }
        EXPECT_EQ(owner.log, reports) << name << ": " << text;
    }
}
