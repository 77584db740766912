// game/sfx — sounds and effects by name, counted.
//
// The sound bank and the particle system are not linked in yet, so a play is only counted
// here; effect instances get ids of their own so callers can keep and stop them.
#include "game/sfx.h"

#include <cstring>

namespace {

constexpr int kNames = 96;
constexpr int kNameLength = 32;

struct Counted {
    char name[kNameLength];
    int count;
    int lastFrequency;
};

Counted g_counted[kNames];
int g_used = 0;
int g_total = 0;
int g_nextInstance = 1;

Counted* Find(const char* name, bool add)
{
    if (!name || !name[0]) return nullptr;
    char key[kNameLength];
    std::strncpy(key, name, kNameLength - 1);
    key[kNameLength - 1] = 0;
    for (int i = 0; i < g_used; i++)
        if (std::strcmp(g_counted[i].name, key) == 0) return &g_counted[i];
    if (!add || g_used == kNames) return nullptr;
    Counted* c = &g_counted[g_used++];
    std::memcpy(c->name, key, kNameLength);
    c->count = 0;
    c->lastFrequency = 0;
    return c;
}

void Count(const char* name, int frequency)
{
    g_total++;
    Counted* c = Find(name, true);
    if (!c) return;
    c->count++;
    c->lastFrequency = frequency;
}

} // namespace

void SFX_Play(const char* name, int frequency, float volume)
{
    (void)volume;
    Count(name, frequency);
}

int SFX_Effect(const char* name, const Vec3& pos, const Vec3& dir, Object* attach)
{
    (void)pos;
    (void)dir;
    (void)attach;
    if (!name || !name[0]) return 0;
    Count(name, 0);
    int id = g_nextInstance++;
    if (g_nextInstance <= 0) g_nextInstance = 1;
    return id;
}

void SFX_StopEffect(int instance) { (void)instance; }

void SFX_StopAttached(Object* obj) { (void)obj; }

void SFX_ClearEffects() {}

int SFX_Count(const char* name)
{
    Counted* c = Find(name, false);
    return c ? c->count : 0;
}

int SFX_LastFrequency(const char* name)
{
    Counted* c = Find(name, false);
    return c ? c->lastFrequency : 0;
}

int SFX_Total() { return g_total; }

void SFX_ResetCounts()
{
    g_used = 0;
    g_total = 0;
}
