#include "formant/FormantFilterBank.h"

#include <cstring>

namespace
{
typedef double Double2 __attribute__((vector_size(16)));
typedef double Double4 __attribute__((vector_size(32)));

// The AVX functions below are compiled for AVX alone: no FMA, whose fused rounding would change
// the result.
#if defined(__x86_64__) && defined(__GNUC__)
#define TOVKA_FILTER_BANK_AVX 1
#endif

bool detectAvx()
{
#ifdef TOVKA_FILTER_BANK_AVX
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
#else
    return false;
#endif
}

const bool hasAvx = detectAvx();
FormantFilterBank::Path currentPath = hasAvx ? FormantFilterBank::Path::Avx : FormantFilterBank::Path::Sse2;

/** One peaking section for the lanes of one vector V from `lane` on, direct form I. Adding and
    removing 1e-15 flushes denormal-sized input to zero. Only unaligned loads and stores of doubles:
    the vector type never crosses a function boundary, so it compiles to the instructions of the
    caller's target. */
template <typename V>
__attribute__((always_inline)) inline void runSection(FormantFilterBank::Section& s, double* value, int lane)
{
    V x, b0, b1, b2, a0, a2, x1, x2, y1, y2;
    std::memcpy(&x, value + lane, sizeof(V));
    std::memcpy(&b0, s.b0 + lane, sizeof(V));
    std::memcpy(&b1, s.b1 + lane, sizeof(V));
    std::memcpy(&b2, s.b2 + lane, sizeof(V));
    std::memcpy(&a0, s.a0 + lane, sizeof(V));
    std::memcpy(&a2, s.a2 + lane, sizeof(V));
    std::memcpy(&x1, s.x1 + lane, sizeof(V));
    std::memcpy(&x2, s.x2 + lane, sizeof(V));
    std::memcpy(&y1, s.y1 + lane, sizeof(V));
    std::memcpy(&y2, s.y2 + lane, sizeof(V));
    const V in = (x + 1e-15) + (-1e-15);
    const V y = (b0 * in + b1 * x1 + b2 * x2 - b1 * y1 - a2 * y2) / a0;
    std::memcpy(s.x2 + lane, &x1, sizeof(V));
    std::memcpy(s.x1 + lane, &in, sizeof(V));
    std::memcpy(s.y2 + lane, &y1, sizeof(V));
    std::memcpy(s.y1 + lane, &y, sizeof(V));
    std::memcpy(value + lane, &y, sizeof(V));
}

/** One lane's coefficients, Width sections per vector V and the rest one by one: a peaking
    equaliser whose Q rises with the formant's frequency and the pitch. */
template <typename V, int Width>
__attribute__((always_inline)) inline void makeLaneCoefficients(FormantFilterBank& bank, int lane, double F,
                                                                double Q0, const double* freq,
                                                                const double* gainRoot, const double* sinW0)
{
    int n = 0;
    for (; n + Width <= NumFormants; n += Width)
    {
        V f, A, sn;
        std::memcpy(&f, freq + n, sizeof(V));
        std::memcpy(&A, gainRoot + n, sizeof(V));
        std::memcpy(&sn, sinW0 + n, sizeof(V));
        const V Q = ((f - F) * 0.5 + F) / 2000.0 * 10.0 + Q0;
        const V alpha = sn / (2.0 * Q);
        const V b0 = 1.0 + alpha * A;
        const V b2 = 1.0 - alpha * A;
        const V a0 = 1.0 + alpha / A;
        const V a2 = 1.0 - alpha / A;
        for (int k = 0; k < Width; ++k)
        {
            FormantFilterBank::Section& s = bank.sections[n + k];
            s.b0[lane] = b0[k];
            s.b2[lane] = b2[k];
            s.a0[lane] = a0[k];
            s.a2[lane] = a2[k];
        }
    }
    for (; n < NumFormants; ++n)
    {
        const double Q = ((freq[n] - F) * 0.5 + F) / 2000.0 * 10.0 + Q0;
        const double A = gainRoot[n];
        const double alpha = sinW0[n] / (2.0 * Q);
        FormantFilterBank::Section& s = bank.sections[n];
        s.b0[lane] = 1.0 + alpha * A;
        s.b2[lane] = 1.0 - alpha * A;
        s.a0[lane] = 1.0 + alpha / A;
        s.a2[lane] = 1.0 - alpha / A;
    }
}

void makeCoefficientsSse2(FormantFilterBank& bank, int lane, double F, double Q0, const double* freq,
                          const double* gainRoot, const double* sinW0)
{
    makeLaneCoefficients<Double2, 2>(bank, lane, F, Q0, freq, gainRoot, sinW0);
}

#ifdef TOVKA_FILTER_BANK_AVX
__attribute__((target("avx"))) void makeCoefficientsAvx(FormantFilterBank& bank, int lane, double F,
                                                        double Q0, const double* freq, const double* gainRoot,
                                                        const double* sinW0)
{
    makeLaneCoefficients<Double4, 4>(bank, lane, F, Q0, freq, gainRoot, sinW0);
}
#endif

/** The first lane of every group of `width` lanes holding a set bit of laneMask; returns their count. */
int groupsOf(uint32_t laneMask, int width, int* firstLanes)
{
    const uint32_t groupMask = (1u << width) - 1u;
    int count = 0;
    for (int lane = 0; lane < FormantFilterBank::MaxLanes; lane += width)
        if ((laneMask >> lane) & groupMask)
            firstLanes[count++] = lane;
    return count;
}

/** The sections in order, each over all groups: the groups' chains are independent, so the processor
    overlaps them while one group's section waits for its division. */
void runSse2(FormantFilterBank& bank, const int* firstLanes, int count)
{
    for (FormantFilterBank::Section& s : bank.sections)
        for (int g = 0; g < count; ++g)
            runSection<Double2>(s, bank.value, firstLanes[g]);
}

#ifdef TOVKA_FILTER_BANK_AVX
__attribute__((target("avx"))) void runAvx(FormantFilterBank& bank, const int* firstLanes, int count)
{
    for (FormantFilterBank::Section& s : bank.sections)
        for (int g = 0; g < count; ++g)
            runSection<Double4>(s, bank.value, firstLanes[g]);
}
#endif
} // namespace

FormantFilterBank::FormantFilterBank()
{
    for (int lane = 0; lane < MaxLanes; ++lane)
        silenceLane(lane);
}

void FormantFilterBank::silenceLane(int lane)
{
    for (Section& s : sections)
    {
        s.b0[lane] = s.b1[lane] = s.b2[lane] = s.a2[lane] = 0.0;
        s.a0[lane] = 1.0;
        s.x1[lane] = s.x2[lane] = s.y1[lane] = s.y2[lane] = 0.0;
    }
    value[lane] = 0.0;
}

void FormantFilterBank::makeCoefficients(int lane, double F, double Q0, const double* freq,
                                         const double* gainRoot, const double* sinW0)
{
#ifdef TOVKA_FILTER_BANK_AVX
    if (currentPath == Path::Avx)
    {
        makeCoefficientsAvx(*this, lane, F, Q0, freq, gainRoot, sinW0);
        return;
    }
#endif
    makeCoefficientsSse2(*this, lane, F, Q0, freq, gainRoot, sinW0);
}

void FormantFilterBank::run(uint32_t laneMask)
{
    int pairs[MaxLanes / 2];
    const int pairCount = groupsOf(laneMask, 2, pairs);
#ifdef TOVKA_FILTER_BANK_AVX
    if (currentPath == Path::Avx)
    {
        // Four lanes per operation only where that takes fewer operations than two: a lone voice
        // runs faster in one SSE2 pair than in a mostly idle group of four.
        int quads[MaxLanes / 4];
        const int quadCount = groupsOf(laneMask, 4, quads);
        if (quadCount < pairCount)
        {
            runAvx(*this, quads, quadCount);
            return;
        }
    }
#endif
    runSse2(*this, pairs, pairCount);
}

FormantFilterBank::Path FormantFilterBank::getPath()
{
    return currentPath;
}

void FormantFilterBank::forcePath(Path path)
{
    currentPath = path == Path::Avx && hasAvx ? Path::Avx : Path::Sse2;
}

bool FormantFilterBank::avxAvailable()
{
    return hasAvx;
}
