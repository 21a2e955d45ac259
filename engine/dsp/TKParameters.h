#pragma once

#include <cstdint>

#include "dsp/TKTruncate.h"

/** A parameter's minimum, maximum or real value: a float for the float types, a signed
    32-bit integer for the integer type. */
union TKParameterData
{
    float f;
    int32_t i;
};
static_assert(sizeof(TKParameterData) == 4, "TKParameterData must stay 4 bytes");

/** Value types of a parameter's real value. */
enum : uint32_t
{
    TKP_TYPE_FLOAT = 0,   // min + (max - min) * n
    TKP_TYPE_INT = 1,     // truncated min + (max - min) * n, range taken in integers
    TKP_TYPE_SQUARED = 2, // min + (max - min) * n * n
};

/** One parameter: a normalised target and current value (0..1) and their real values. */
struct TKParameter
{
    TKParameterData min;
    TKParameterData max;
    float target;            // normalised value last set
    uint32_t rampingEnabled; // set once by TKP_Set_Ramping_Flag
    float current;           // normalised value, moving towards target while a ramp runs
    float step;              // change of current per sample during a ramp
    float rampTime;          // seconds
    uint32_t rampActive;
    TKParameterData real;       // real value of current
    TKParameterData realTarget; // real value of target
    uint32_t type;              // TKP_TYPE_*
    const char* name;           // not owned
    uint32_t changed;           // listed in the change list
};

/** A fixed-size set of parameters with per-sample ramps and a change list. Owns its arrays;
    nothing allocates after TKP_Create. Not thread-safe: one owner, one thread. */
struct TKParameterSet
{
    TKParameter* params;
    unsigned* changeList; // capacity count
    unsigned changeCount;
    unsigned* rampList; // indices with ramping enabled, capacity count
    unsigned rampCount;
    float sampleRate; // Hz
    unsigned count;
    float* scratch; // count floats, used by TKP_Set_Samplerate
};

//==============================================================================
/** Allocates a set of count zeroed parameters with empty lists; null if memory runs out. */
TKParameterSet* TKP_Create(unsigned count, float sampleRate);
void TKP_Destroy(TKParameterSet* set);

void TKP_Init_Parameter(TKParameterSet* set, unsigned index, const char* name, unsigned type,
                        TKParameterData min, TKParameterData max, float defaultNormalised);
/** TKP_Init_Parameter with the linear float type. Note the order: default before the range. */
void TKP_Init_Float_Parameter(TKParameterSet* set, unsigned index, const char* name, float defaultNormalised,
                              float min, float max);

/** Allows ramping for the parameter (listing it for TKP_Iterate) and sets its ramp time in seconds. */
void TKP_Set_Ramping_Flag(TKParameterSet* set, unsigned index, float rampTime);
/** Ramp time in seconds, used by the next ramped TKP_Set_Normalised_Value. */
void TKP_Set_Ramping_Time(TKParameterSet* set, unsigned index, float rampTime);

/** Sets the target; ramps to it when ramp is non-zero and ramping is enabled, else jumps. */
void TKP_Set_Normalised_Value(TKParameterSet* set, unsigned index, int ramp, float normalised);

/** Normalised value (unclamped) whose real value is the given one; 0 for an unknown type. */
float TKP_Calc_Normalised_Value(TKParameterSet* set, unsigned index, TKParameterData real);

/** Stores the rate and makes every parameter jump to its target, ending all ramps. */
void TKP_Set_Samplerate(TKParameterSet* set, float sampleRate);
/** Sets every parameter, without ramping, to normalised[i]; reads count floats. */
void TKP_Set_State(TKParameterSet* set, const float* normalised);

/** Lists the parameter in the change list unless it is already listed. */
void TKP_Flag_Param_Change(TKParameterSet* set, unsigned index);
/** Returns the listed indices and their number, and empties the list. The returned entries stay
    valid until the next TKP_Flag_Param_Change. */
const unsigned* TKP_Consume_Param_Changes(TKParameterSet* set, unsigned* count);

//==============================================================================
/** Real value of normalised value n for the parameter's type, in single precision. Unknown
    types leave the real value as it was. */
inline TKParameterData TKP_Real_Value_Of(const TKParameter* p, float n, TKParameterData previous)
{
    TKParameterData r = previous;
    switch (p->type)
    {
    case TKP_TYPE_FLOAT:
        r.f = p->min.f + (p->max.f - p->min.f) * n;
        break;
    case TKP_TYPE_INT:
        r.i = TK_Truncate_Int32(static_cast<float>(p->min.i) + static_cast<float>(p->max.i - p->min.i) * n);
        break;
    case TKP_TYPE_SQUARED:
        r.f = p->min.f + (p->max.f - p->min.f) * n * n;
        break;
    default:
        break;
    }
    return r;
}

/** Advances every running ramp by one sample; call once per sample. */
inline void TKP_Iterate(TKParameterSet* set)
{
    for (unsigned k = 0; k < set->rampCount; ++k)
    {
        TKParameter* p = &set->params[set->rampList[k]];
        if (!p->rampActive)
            continue;
        p->current += p->step;
        // End exactly on the target rather than overshoot it.
        if ((p->step > 0.0f && p->current > p->target) || (p->step < 0.0f && p->current < p->target))
        {
            p->current = p->target;
            p->step = 0.0f;
            p->rampActive = 0;
        }
        // Integer parameters took their real target when the ramp began.
        if (p->type != TKP_TYPE_INT)
            p->real = TKP_Real_Value_Of(p, p->current, p->real);
    }
}

/** The real value of the current (ramping) normalised value. */
inline TKParameterData TKP_Get_Real_Value(TKParameterSet* set, unsigned index)
{
    return set->params[index].real;
}

/** The target normalised value. */
inline float TKP_Get_Normalised_Value(TKParameterSet* set, unsigned index)
{
    return set->params[index].target;
}
