#include "EComponent.h"

void EComponent::setCallback(TKUICallback* c)
{
    callback = c;
}

void EComponent::setValue(float v)
{
    setValue(v, true);
}

void EComponent::setValue(float v, bool shouldRepaint)
{
    value = v;
    if (shouldRepaint)
        repaint();
}

float EComponent::getValue()
{
    return value;
}

void EComponent::setParamId(int id)
{
    paramId = id;
}

float EComponent::getValueForParamId(int id)
{
    (void) id;
    return getValue();
}

void EComponent::setValueForParamId(int id, float v)
{
    (void) id;
    setValue(v);
}
