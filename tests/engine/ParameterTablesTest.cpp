#include "ParameterTables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

// A parameter set filled from the tables, as a channel fills its own.
class ParameterTables : public ::testing::Test
{
protected:
    ParameterTables()
    {
        for (int id = 0; id < NumParameters; ++id)
        {
            const ParameterInitValues v = ParameterInitValuesFor(id);
            TKP_Init_Parameter(set, static_cast<unsigned>(id), v.name, v.type, v.minValue, v.maxValue,
                               v.defaultValue);
        }
    }
    ~ParameterTables() override { TKP_Destroy(set); }

    TKParameterSet* set = TKP_Create(NumParameters, 44100.0f);
};

TEST_F(ParameterTables, DefaultsGiveTheirRealValuesInSinglePrecision)
{
    const float expected[NumParameters] = {0.0333f, 0.4f,    0.7f,    1.0f,  0.0f, 0.96f, 1.0f,  1.0f, 0.9f,
                                           0.0f,    0.1493f, 0.2886f, 1.84f, 1.2f, 0.3f,  0.05f, 0.4f};
    for (int id = 0; id < NumParameters; ++id)
    {
        const TKParameterData real = TKP_Get_Real_Value(set, static_cast<unsigned>(id));
        if (ParameterTypeMap[id] == TKP_TYPE_INT)
            EXPECT_EQ(static_cast<int32_t>(expected[id]), real.i) << ParameterNames[id];
        else
            EXPECT_FLOAT_EQ(expected[id], real.f) << ParameterNames[id];
    }
    // "Pitchbend Span": 0 + 12 * 0.08 in single precision, which a voice rounds to 1 semitone.
    EXPECT_EQ(0.0f + 12.0f * 0.08f, TKP_Get_Real_Value(set, 5).f);
    // The glide times never reach 0.
    EXPECT_EQ(0.01f, ParameterInitValuesFor(10).minValue.f);
    EXPECT_EQ(0.01f, ParameterInitValuesFor(11).minValue.f);
}

TEST_F(ParameterTables, IntegerParametersTruncateTheirRealValue)
{
    EXPECT_STREQ("Legato State", ParameterNames[9]);
    const struct
    {
        float normalised;
        int32_t real;
    } cases[] = {{0.0f, 0}, {0.49f, 0}, {0.5f, 1}, {0.99f, 1}, {1.0f, 2}};
    for (const auto& c : cases)
    {
        TKP_Set_Normalised_Value(set, 9, 0, c.normalised);
        EXPECT_EQ(c.real, TKP_Get_Real_Value(set, 9).i) << "normalised " << c.normalised;
    }
}

TEST(ParameterTablesNames, NamesAndControllersAreUniqueAndLeaveTheSustainPedalFree)
{
    std::set<std::string> names;
    std::set<int32_t> controllers;
    for (int id = 0; id < NumParameters; ++id)
    {
        names.insert(ParameterNames[id]);
        const int32_t cc = ParameterMIDIMapping[id];
        EXPECT_TRUE(cc == -1 || (cc >= 0 && cc <= 127 && cc != 64)) << ParameterNames[id];
        EXPECT_TRUE(cc == -1 || controllers.insert(cc).second) << "controller " << cc << " used twice";
    }
    EXPECT_EQ(17u, names.size()) << "names double as host parameter ids and must be unique";
    EXPECT_EQ(13u, controllers.size());
}

TEST(ParameterTablesNotes, NoteFrequenciesFollowEqualTemperamentToTenDecimals)
{
    using SynthBase::MIDIFrequecyMap;
    EXPECT_EQ(440.0, MIDIFrequecyMap[69]);
    EXPECT_EQ(8.1757989156, MIDIFrequecyMap[0]);
    EXPECT_EQ(12543.853951416, MIDIFrequecyMap[127]);
    for (int n = 0; n < 128; ++n)
        EXPECT_NEAR(440.0 * std::pow(2.0, (n - 69) / 12.0), MIDIFrequecyMap[n], 0.5e-10 + 1e-12)
            << "note " << n;
}
