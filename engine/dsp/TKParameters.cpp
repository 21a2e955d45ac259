#include "dsp/TKParameters.h"

#include <cmath>
#include <cstdlib>

TKParameterSet* TKP_Create(unsigned count, float sampleRate)
{
    auto* set = static_cast<TKParameterSet*>(std::calloc(1, sizeof(TKParameterSet)));
    if (set == nullptr)
        return nullptr;
    // calloc(0, ...) may return null; one spare element keeps every array valid for an empty set.
    const size_t n = static_cast<size_t>(count) + 1;
    set->params = static_cast<TKParameter*>(std::calloc(n, sizeof(TKParameter)));
    set->changeList = static_cast<unsigned*>(std::calloc(n, sizeof(unsigned)));
    set->rampList = static_cast<unsigned*>(std::calloc(n, sizeof(unsigned)));
    set->scratch = static_cast<float*>(std::calloc(n, sizeof(float)));
    set->sampleRate = sampleRate;
    set->count = count;
    if (set->params == nullptr || set->changeList == nullptr || set->rampList == nullptr ||
        set->scratch == nullptr)
    {
        TKP_Destroy(set);
        return nullptr;
    }
    return set;
}

void TKP_Destroy(TKParameterSet* set)
{
    if (set == nullptr)
        return;
    std::free(set->params);
    std::free(set->changeList);
    std::free(set->rampList);
    std::free(set->scratch);
    std::free(set);
}

void TKP_Init_Parameter(TKParameterSet* set, unsigned index, const char* name, unsigned type,
                        TKParameterData min, TKParameterData max, float defaultNormalised)
{
    TKParameter* p = &set->params[index];
    p->name = name;
    p->type = type;
    p->min = min;
    p->max = max;
    p->changed = 0;
    p->rampingEnabled = 0;
    p->step = 0.0f;
    p->rampTime = 0.0f;
    p->rampActive = 0;
    p->target = defaultNormalised;
    p->current = defaultNormalised;
    p->real = TKP_Real_Value_Of(p, defaultNormalised, p->real);
    p->realTarget = p->real;
}

void TKP_Init_Float_Parameter(TKParameterSet* set, unsigned index, const char* name, float defaultNormalised,
                              float min, float max)
{
    TKParameterData lo;
    TKParameterData hi;
    lo.f = min;
    hi.f = max;
    TKP_Init_Parameter(set, index, name, TKP_TYPE_FLOAT, lo, hi, defaultNormalised);
}

void TKP_Set_Ramping_Flag(TKParameterSet* set, unsigned index, float rampTime)
{
    TKParameter* p = &set->params[index];
    if (p->rampingEnabled == 0)
    {
        p->rampingEnabled = 1;
        set->rampList[set->rampCount++] = index;
    }
    p->rampTime = rampTime;
}

void TKP_Set_Ramping_Time(TKParameterSet* set, unsigned index, float rampTime)
{
    set->params[index].rampTime = rampTime;
}

void TKP_Set_Normalised_Value(TKParameterSet* set, unsigned index, int ramp, float normalised)
{
    TKParameter* p = &set->params[index];
    p->target = normalised;
    if (ramp != 0 && p->rampingEnabled != 0)
    {
        // A zero distance gives a zero step even for a zero ramp time, where the division
        // would give NaN.
        const float distance = normalised - p->current;
        p->step = distance == 0.0f ? 0.0f : distance / (set->sampleRate * p->rampTime);
        p->rampActive = 1;
        p->realTarget = TKP_Real_Value_Of(p, normalised, p->realTarget);
        // Integer parameters never pass through intermediate values.
        if (p->type == TKP_TYPE_INT)
            p->real = p->realTarget;
    }
    else
    {
        p->current = normalised;
        p->step = 0.0f;
        p->rampActive = 0;
        p->real = TKP_Real_Value_Of(p, normalised, p->real);
        p->realTarget = p->real;
    }
}

float TKP_Calc_Normalised_Value(TKParameterSet* set, unsigned index, TKParameterData real)
{
    const TKParameter* p = &set->params[index];
    switch (p->type)
    {
    case TKP_TYPE_FLOAT:
        return (real.f - p->min.f) / (p->max.f - p->min.f);
    case TKP_TYPE_INT:
        return (static_cast<float>(real.i) - static_cast<float>(p->min.i)) /
               static_cast<float>(p->max.i - p->min.i);
    case TKP_TYPE_SQUARED:
        return std::sqrt((real.f - p->min.f) / (p->max.f - p->min.f));
    default:
        return 0.0f;
    }
}

void TKP_Set_Samplerate(TKParameterSet* set, float sampleRate)
{
    set->sampleRate = sampleRate;
    for (unsigned i = 0; i < set->count; ++i)
        set->scratch[i] = set->params[i].target;
    TKP_Set_State(set, set->scratch);
}

void TKP_Set_State(TKParameterSet* set, const float* normalised)
{
    for (unsigned i = 0; i < set->count; ++i)
    {
        TKParameter* p = &set->params[i];
        p->target = normalised[i];
        p->current = normalised[i];
        p->step = 0.0f;
        p->rampActive = 0;
        p->real = TKP_Real_Value_Of(p, normalised[i], p->real);
        p->realTarget = p->real;
    }
}

void TKP_Flag_Param_Change(TKParameterSet* set, unsigned index)
{
    TKParameter* p = &set->params[index];
    if (p->changed != 0)
        return;
    p->changed = 1;
    set->changeList[set->changeCount++] = index;
}

const unsigned* TKP_Consume_Param_Changes(TKParameterSet* set, unsigned* count)
{
    *count = set->changeCount;
    for (unsigned k = 0; k < set->changeCount; ++k)
        set->params[set->changeList[k]].changed = 0;
    set->changeCount = 0;
    return set->changeList;
}
