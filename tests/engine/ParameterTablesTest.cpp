#include "ParameterTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

namespace
{

// A parameter set filled from the tables, as a channel fills its own.
struct TableSet
{
    TableSet()
    {
        set = TKP_Create(NumParameters, 44100.0f);
        for (int id = 0; id < NumParameters; ++id)
        {
            const ParameterInitValues v = ParameterInitValuesFor(id);
            TKP_Init_Parameter(set, static_cast<unsigned>(id), v.name, v.type, v.minValue, v.maxValue,
                               v.defaultValue);
        }
    }
    ~TableSet() { TKP_Destroy(set); }
    TKParameterSet* set;
};

int idOf(const char* name)
{
    for (int id = 0; id < NumParameters; ++id)
        if (std::strcmp(ParameterNames[id], name) == 0)
            return id;
    return -1;
}

} // namespace

TEST(ParameterTables, EveryTableHoldsSeventeenEntries)
{
    EXPECT_EQ(17, NumParameters);
    EXPECT_EQ(17u, sizeof(ParameterNames) / sizeof(ParameterNames[0]));
    EXPECT_EQ(17u, sizeof(ParameterMinValues) / sizeof(float));
    EXPECT_EQ(17u, sizeof(ParameterMaxValues) / sizeof(float));
    EXPECT_EQ(17u, sizeof(ParameterDefaultValues) / sizeof(float));
    EXPECT_EQ(17u, sizeof(ParameterTypeMap) / sizeof(int32_t));
    EXPECT_EQ(17u, sizeof(ParameterMIDIMapping) / sizeof(int32_t));

    std::set<std::string> names;
    for (int id = 0; id < NumParameters; ++id)
    {
        ASSERT_NE(nullptr, ParameterNames[id]);
        names.insert(ParameterNames[id]);
        EXPECT_LT(ParameterMinValues[id], ParameterMaxValues[id]) << ParameterNames[id];
        EXPECT_GE(ParameterDefaultValues[id], 0.0f) << ParameterNames[id];
        EXPECT_LE(ParameterDefaultValues[id], 1.0f) << ParameterNames[id];
    }
    EXPECT_EQ(17u, names.size()) << "names double as host parameter ids and must be unique";
    EXPECT_STREQ("ADSR Attack", ParameterNames[0]);
    EXPECT_STREQ("Stereo Spread", ParameterNames[16]);
}

TEST(ParameterTables, DefaultsGiveTheirRealValuesInSinglePrecision)
{
    const float expected[NumParameters] = {0.0333f, 0.4f,    0.7f,    1.0f,  0.0f, 0.96f, 1.0f,  1.0f, 0.9f,
                                           0.0f,    0.1493f, 0.2886f, 1.84f, 1.2f, 0.3f,  0.05f, 0.4f};
    TableSet t;
    for (int id = 0; id < NumParameters; ++id)
    {
        const TKParameterData real = TKP_Get_Real_Value(t.set, static_cast<unsigned>(id));
        if (ParameterTypeMap[id] == TKP_TYPE_INT)
            EXPECT_EQ(static_cast<int32_t>(expected[id]), real.i) << ParameterNames[id];
        else
            EXPECT_FLOAT_EQ(expected[id], real.f) << ParameterNames[id];
    }
    // The bend range: 0 + 12 * 0.08 in single precision, which a voice rounds to 1 semitone.
    const float span = TKP_Get_Real_Value(t.set, static_cast<unsigned>(idOf("Pitchbend Span"))).f;
    EXPECT_EQ(0.0f + 12.0f * 0.08f, span);
    EXPECT_NEAR(0.96f, span, 1e-6f);
    EXPECT_EQ(0.0f, TKP_Get_Real_Value(t.set, static_cast<unsigned>(idOf("Pitchbend"))).f);
}

TEST(ParameterTables, IntegerParametersTruncateTheirRealValue)
{
    TableSet t;
    const unsigned legato = static_cast<unsigned>(idOf("Legato State"));
    const struct
    {
        float normalised;
        int32_t real;
    } cases[] = {{0.0f, 0}, {0.49f, 0}, {0.5f, 1}, {0.99f, 1}, {1.0f, 2}};
    for (const auto& c : cases)
    {
        TKP_Set_Normalised_Value(t.set, legato, 0, c.normalised);
        EXPECT_EQ(c.real, TKP_Get_Real_Value(t.set, legato).i) << "normalised " << c.normalised;
    }
}

TEST(ParameterTables, InitValuesCarryIntegerRangesForIntegerTypesOnly)
{
    for (int id = 0; id < NumParameters; ++id)
    {
        const ParameterInitValues v = ParameterInitValuesFor(id);
        EXPECT_STREQ("", v.name);
        EXPECT_EQ(static_cast<uint32_t>(ParameterTypeMap[id]), v.type);
        EXPECT_EQ(ParameterDefaultValues[id], v.defaultValue);
        const bool isInt = id == 6 || id == 7 || id == 9;
        EXPECT_EQ(isInt, v.type == TKP_TYPE_INT) << ParameterNames[id];
        if (isInt)
        {
            EXPECT_EQ(0, v.minValue.i) << ParameterNames[id];
            EXPECT_EQ(id == 9 ? 2 : 1, v.maxValue.i) << ParameterNames[id];
        }
        else
        {
            EXPECT_EQ(ParameterMinValues[id], v.minValue.f) << ParameterNames[id];
            EXPECT_EQ(ParameterMaxValues[id], v.maxValue.f) << ParameterNames[id];
        }
    }
    // The glide times never reach 0.
    EXPECT_EQ(0.01f, ParameterInitValuesFor(idOf("Legato Freq Time")).minValue.f);
    EXPECT_EQ(0.01f, ParameterInitValuesFor(idOf("Legato Formant Time")).minValue.f);
}

TEST(ParameterTables, ControllersAreUniqueAndLeaveTheSustainPedalFree)
{
    std::set<int32_t> controllers;
    int unmapped = 0;
    for (int id = 0; id < NumParameters; ++id)
    {
        const int32_t cc = ParameterMIDIMapping[id];
        if (cc == -1)
        {
            ++unmapped;
            continue;
        }
        EXPECT_GE(cc, 0);
        EXPECT_LE(cc, 127);
        EXPECT_NE(64, cc) << ParameterNames[id];
        EXPECT_TRUE(controllers.insert(cc).second) << "controller " << cc << " used twice";
    }
    EXPECT_EQ(13u, controllers.size());
    EXPECT_EQ(4, unmapped);
    for (const char* name : {"Pitchbend", "Turn In", "Turn Out", "Legato State"})
        EXPECT_EQ(-1, ParameterMIDIMapping[idOf(name)]) << name;
}

TEST(ParameterTables, NoteFrequenciesFollowEqualTemperament)
{
    using SynthBase::MIDIFrequecyMap;
    EXPECT_EQ(440.0, MIDIFrequecyMap[69]);
    EXPECT_EQ(261.6255653006, MIDIFrequecyMap[60]);
    EXPECT_EQ(8.1757989156, MIDIFrequecyMap[0]);
    EXPECT_EQ(27.5, MIDIFrequecyMap[21]);
    EXPECT_EQ(4186.0090448096, MIDIFrequecyMap[108]);
    EXPECT_EQ(12543.853951416, MIDIFrequecyMap[127]);
    for (int n = 0; n < 128; ++n)
        EXPECT_NEAR(440.0 * std::pow(2.0, (n - 69) / 12.0), MIDIFrequecyMap[n], 0.5e-10 + 1e-12)
            << "note " << n;
    for (int n = 12; n < 128; ++n)
        EXPECT_NEAR(2.0 * MIDIFrequecyMap[n - 12], MIDIFrequecyMap[n], 2e-10) << "octave below note " << n;
}
