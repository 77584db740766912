// scene/object — the actor list, the behaviour scheduler, destruction, the draw pass, models on
// objects and the pick test.
//
// Behaviours are language coroutines: each suspended behaviour keeps its own heap frame in place
// of a saved copy of a shared stack, so there is no stack copying and a behaviour's locals stay
// valid while it is suspended. The frame size stands in for the stack depth in "Maximum Stack Used".
// Depends on: core/math, core/mem, core/log, core/settings (viewport size), render/mesh,
// render/material, scene/puppet. Limits: one thread; see object.h.
#include "scene/object.h"

#include <cstring>
#include <new>

#include "core/log.h"
#include "core/mem.h"
#include "core/settings.h"
#include "render/material.h"
#include "render/mesh.h"
#include "scene/puppet.h"

Object* OBJ_Current = nullptr;

namespace {

const char* const kObjectTag = "New Object";
const char* const kFrameTag = "Behaviour Frame";
const char* const kUserDataTag = "Object UserData";

Object g_head;                  // sentinel of the circular actor list
bool g_listReady = false;
Object* g_running = nullptr;    // the object whose behaviour is executing right now
int g_maxFrame = 0;

void EnsureList()
{
    if (!g_listReady) OBJ_InitLists();
}

const Mat4* OwnerMatrix(Object* owner) { return owner ? OBJ_GetWorldMatrix(owner) : nullptr; }

void Unlink(Object* o)
{
    o->prev->next = o->next;
    o->next->prev = o->prev;
    o->next = o->prev = nullptr;
}

// Destroys o, which the caller has made current, in the fixed order: puppet, attached effects
// (none until particle effects exist), behaviour frame, model reference, user data, the record.
void DestroyObject(Object* o)
{
    if (o->puppet) PUP_Release(o);
    if (o->coroutine) {
        o->coroutine.destroy();
        o->coroutine = {};
        o->frameSize = 0;
    }
    MESH_FreeIfCopy(o->model);
    o->model = 0;
    if (o->userData) MEM_Free(o->userData, kUserDataTag);
    o->userData = nullptr;
    Unlink(o);
    MEM_Free(o, kObjectTag);
}

// Runs o's behaviour until it waits, kills itself or (wrongly) returns.
void Resume(Object* o)
{
    g_running = o;
    o->coroutine.resume();
    g_running = nullptr;
    if (!o->coroutine.done()) return;
    // A body that runs off its end has nothing left to resume: free the frame and kill the object
    // so it leaves the list in the usual four ticks instead of being resumed past its end.
    LOG_Write("OBJ_RunAll : a behaviour returned without waiting; its object is killed");
    o->coroutine.destroy();
    o->coroutine = {};
    o->frameSize = 0;
    if (o->state != OBJ_STATE_DYING) OBJ_Kill(o);
}

void Start(Object* o)
{
    Behaviour b = o->behaviour();
    o->coroutine = b.Release();
    if (o->coroutine) {
        Resume(o);
        return;
    }
    // No frame (memory ran out and has been reported): the object cannot act, so it goes.
    LOG_Write("OBJ_RunAll : no frame for a behaviour; its object is killed");
    OBJ_Kill(o);
}

bool IsSkinned(int model)
{
    const MeshHeader* h = MESH_Header(model);
    return h && h->boneCount != 0 && h->boneOfs != 0;
}

uint32_t BoneCount(int model)
{
    const MeshHeader* h = MESH_Header(model);
    return h ? h->boneCount : 0;
}

// PUP_SetPuppet works on the current object; this runs it for any object.
void AttachPuppet(Object* obj)
{
    Object* saved = OBJ_Current;
    OBJ_Current = obj;
    PUP_SetPuppet();
    OBJ_Current = saved;
}

} // namespace

// ---- Behaviour frames ----

void* Behaviour::promise_type::operator new(std::size_t size) noexcept
{
    if ((int)size > g_maxFrame) g_maxFrame = (int)size;
    return MEM_Alloc(size, kFrameTag);
}

void Behaviour::promise_type::operator delete(void* p, std::size_t) { MEM_Free(p, kFrameTag); }

Behaviour& Behaviour::operator=(Behaviour&& o) noexcept
{
    if (this != &o) {
        if (handle_) handle_.destroy();
        handle_ = o.handle_;
        o.handle_ = {};
    }
    return *this;
}

Behaviour::~Behaviour()
{
    if (handle_) handle_.destroy();
}

Behaviour::Handle Behaviour::Release()
{
    Handle h = handle_;
    handle_ = {};
    return h;
}

void OBJ_WaitAwaiter::await_suspend(std::coroutine_handle<>) const noexcept
{
    Object* o = OBJ_Current;
    if (!o) return;
    // A dying object keeps its four ticks: a wait after killing itself must not shorten them.
    if (o->state != OBJ_STATE_DYING) o->wait = ticks;
}

// ---- The actor list ----

// What the mesh module needs of an object (null: the current one): its model and world matrix.
static bool ObjectModel(const Object* obj, int* model, const Mat4** world)
{
    Object* o = const_cast<Object*>(obj ? obj : OBJ_Current);
    if (!o) return false;
    *model = o->model;
    if (world) *world = OBJ_GetWorldMatrix(o);
    return true;
}

void OBJ_InitLists()
{
    g_head = Object{};
    g_head.next = g_head.prev = &g_head;
    g_listReady = true;
    OBJ_Current = nullptr;
    MTL_SetOwnerMatrix(OwnerMatrix);
    MESH_SetObjectSource(ObjectModel);
}

Object* OBJ_New(OBJ_Behaviour behaviour)
{
    EnsureList();
    Object* o = (Object*)MEM_AllocZero(sizeof(Object), kObjectTag);
    if (!o) return nullptr;
    new (o) Object{};
    o->state = OBJ_STATE_NEW;
    o->wait = 0;
    o->behaviour = behaviour;
    for (uint8_t& t : o->tint) t = 128;
    o->heading = {0.0f, 1.0f, 0.0f};
    o->up = {0.0f, 0.0f, 1.0f};
    o->scale = {1.0f, 1.0f, 1.0f};
    o->next = &g_head;
    o->prev = g_head.prev;
    g_head.prev->next = o;
    g_head.prev = o;
    return o;
}

OBJ_WaitAwaiter OBJ_Wait(int ticks) { return OBJ_WaitAwaiter{ticks}; }

OBJ_KillAwaiter OBJ_Kill(Object* obj)
{
    if (obj) {
        obj->state = OBJ_STATE_DYING;
        obj->wait = 4;
        return OBJ_KillAwaiter{false};
    }
    // Killing "myself" needs a behaviour to give control back from.
    if (!OBJ_Current || g_running != OBJ_Current) {
        LOG_Write("OBJ_Kill : no running behaviour to kill");
        return OBJ_KillAwaiter{false};
    }
    OBJ_Current->state = OBJ_STATE_DYING;
    OBJ_Current->wait = 4;
    return OBJ_KillAwaiter{true};
}

void OBJ_KillByBehaviour(OBJ_Behaviour behaviour)
{
    EnsureList();
    for (Object* o = g_head.next; o != &g_head; o = o->next)
        if (o->behaviour == behaviour) OBJ_Kill(o);
}

void OBJ_KillAll()
{
    EnsureList();
    for (Object* o = g_head.next; o != &g_head; o = o->next)
        if (o->state != OBJ_STATE_DYING) OBJ_Kill(o);
}

Object* OBJ_FindByBehaviour(OBJ_Behaviour behaviour, Object* cursor)
{
    EnsureList();
    for (Object* o = (cursor ? cursor->next : g_head.next); o && o != &g_head; o = o->next)
        if (o->behaviour == behaviour) return o;
    return nullptr;
}

void OBJ_RunAll(bool paused)
{
    EnsureList();
    if (g_running) {   // a behaviour calling the scheduler would run itself re-entrantly
        LOG_Write("OBJ_RunAll : called from a behaviour");
        return;
    }
    Object* o = g_head.next;
    while (o != &g_head) {
        Object* next = o->next;   // read first: o may be destroyed below
        if (paused && !(o->displayFlags & DFG_RENDER)) {
            o = next;
            continue;
        }
        if (o->wait > 0) o->wait--;
        if (o->wait > 0) {
            o = next;
            continue;
        }
        OBJ_Current = o;
        if (o->state == OBJ_STATE_DYING) {
            DestroyObject(o);
        } else if (!o->behaviour) {
            o->state = OBJ_STATE_LIVE;
        } else if (o->state == OBJ_STATE_NEW || !o->coroutine) {
            o->state = OBJ_STATE_LIVE;
            Start(o);
        } else {
            Resume(o);
        }
        OBJ_Current = nullptr;
        o = next;
    }
}

void OBJ_DrawAll()
{
    EnsureList();
    Object* saved = OBJ_Current;
    for (Object* o = g_head.next; o != &g_head; o = o->next) {
        if (o->state != OBJ_STATE_LIVE || o->renderMode == RENDER_NONE || (o->displayFlags & DFG_HIDE)) continue;
        OBJ_Current = o;
        if (o->renderMode == RENDER_MESH) MESH_DrawCurrent();
        else if (o->renderMode == RENDER_PUPPET) PUP_Draw();
    }
    OBJ_Current = saved;
}

void OBJ_Destroy()
{
    Object* o = OBJ_Current;
    if (!o) return;
    // Inside a behaviour, freeing its own frame would pull the stack from under it, and freeing
    // another object could free the one the scheduler visits next: kill it instead.
    if (g_running) {
        LOG_Write("OBJ_Destroy : called from a behaviour; killed instead");
        OBJ_Kill(o);
        return;
    }
    DestroyObject(o);
    OBJ_Current = nullptr;
}

void OBJ_DestroyAll()
{
    EnsureList();
    if (g_running) {
        LOG_Write("OBJ_DestroyAll : called from a behaviour");
        return;
    }
    LOG_Write("Maximum Stack Used : %d", g_maxFrame);
    g_maxFrame = 0;
    while (g_head.next != &g_head) {
        OBJ_Current = g_head.next;
        DestroyObject(OBJ_Current);
    }
    OBJ_Current = nullptr;
}

int OBJ_Count()
{
    EnsureList();
    int n = 0;
    for (Object* o = g_head.next; o != &g_head; o = o->next) n++;
    return n;
}

int OBJ_MaxStackUsed() { return g_maxFrame; }

// ---- Models ----

int OBJ_SetModel(Object* obj, int model, bool attachPuppet)
{
    if (!obj) return 0;
    int old = obj->model;
    if (model == old) return 0;
    const MESH_Slot* a = MESH_Get(old);
    const MESH_Slot* b = MESH_Get(model);
    // A copy keeps its source's name, so asking again for the model a copy was made from
    // changes nothing (and keeps the puppet).
    if (a && b && strcmp(a->name, b->name) == 0) return 0;

    bool oldSkinned = IsSkinned(old);
    if (model == 0) {
        // Dropping the model must not leave a puppet over nothing or a copy behind.
        if (obj->puppet) PUP_Release(obj);
        obj->model = 0;
        MESH_FreeIfCopy(old);
        return 0;
    }
    obj->model = model;
    if (IsSkinned(model)) {
        int copy = MESH_Copy(model, nullptr);
        if (!copy) {   // no id left (logged): show the object plainly rather than skin a shared mesh
            obj->model = 0;
            if (obj->puppet) PUP_Release(obj);
            MESH_FreeIfCopy(old);
            return 0;
        }
        obj->model = copy;
        if (old && attachPuppet) {
            if (BoneCount(old) != BoneCount(copy) || !obj->puppet) {
                if (obj->puppet) PUP_Release(obj);
                AttachPuppet(obj);
            }
        } else if (!old && attachPuppet) {
            AttachPuppet(obj);
        }
    } else if (oldSkinned || obj->puppet) {
        PUP_Release(obj);
    }
    MESH_FreeIfCopy(old);
    return obj->model;
}

// ---- Matrices ----

const Mat4* OBJ_GetWorldMatrix(Object* obj)
{
    if (!obj) return nullptr;
    if (!obj->worldValid) {
        Vec3 up = obj->up;
        Mat4 m = MTH_Basis(obj->heading, up);   // rows right, forward, up
        // Then scale (each column by its axis' factor), then translate to the position.
        for (int r = 0; r < 3; r++) {
            m.m[r][0] *= obj->scale.x;
            m.m[r][1] *= obj->scale.y;
            m.m[r][2] *= obj->scale.z;
        }
        m.m[3][0] = obj->position.x;
        m.m[3][1] = obj->position.y;
        m.m[3][2] = obj->position.z;
        m.m[3][3] = 1.0f;
        obj->world = m;
        obj->worldValid = 1;
    }
    return &obj->world;
}

const Mat4* OBJ_GetInverseMatrix(Object* obj)
{
    if (!obj) return nullptr;
    if (!obj->inverseValid) {
        Vec3 up = obj->up;
        Mat4 r = MTH_Basis(obj->heading, up);
        // (translate by −position) × (scale by 1/scale) × (transposed rotation). A zero scale
        // flattens that axis rather than dividing by zero.
        const float s[3] = {obj->scale.x, obj->scale.y, obj->scale.z};
        Mat4 m = MTH_MakeIdentity();
        for (int i = 0; i < 3; i++) {
            float inv = s[i] != 0.0f ? 1.0f / s[i] : 0.0f;
            for (int j = 0; j < 3; j++) m.m[i][j] = inv * r.m[j][i];
        }
        const float p[3] = {obj->position.x, obj->position.y, obj->position.z};
        for (int j = 0; j < 3; j++) m.m[3][j] = -(p[0] * m.m[0][j] + p[1] * m.m[1][j] + p[2] * m.m[2][j]);
        obj->inverse = m;
        obj->inverseValid = 1;
    }
    return &obj->inverse;
}

void OBJ_Moved(Object* obj)
{
    if (!obj) return;
    obj->worldValid = 0;
    obj->inverseValid = 0;
}

// ---- Picking ----

bool OBJ_IsUnderCursor(float cursorX, float cursorY, Object* obj)
{
    if (!obj) return false;
    const MESH_Slot* s = MESH_Get(obj->model);
    if (!s) return false;
    const MeshPickHeader* pick = MESHF_Pick(s->data, (size_t)s->size);
    const MeshPoint* pts = MESHF_PickPoints(s->data, (size_t)s->size);
    const MeshPickTriangle* tris = MESHF_PickTriangles(s->data, (size_t)s->size);
    if (!pick || !pts || !tris) return false;
    const Mat4& world = *OBJ_GetWorldMatrix(obj);
    // The viewport covers the whole back buffer.
    const float px = cursorX * (float)CFG_Width;
    const float py = cursorY * (float)CFG_Height;
    for (uint32_t t = 0; t < pick->triangleCount; t++) {
        Vec3 c[3];
        for (int k = 0; k < 3; k++) {
            uint16_t i = tris[t].index[k];
            if (i >= pick->pointCount) return false;   // checked at load; never read past the points
            Vec3 w;
            MTH_Transform(world, Vec3{pts[i].x, pts[i].y, pts[i].z}, &w);
            c[k] = MTH_WorldToScreen(w);
            if (c[k].z > 1.0f) return false;
        }
        const Vec3 &A = c[0], &B = c[1], &C = c[2];
        float e1 = (B.y - A.y) * (A.x - px) - (B.x - A.x) * (A.y - py);
        float e2 = (C.y - B.y) * (B.x - px) - (C.x - B.x) * (B.y - py);
        float e3 = (A.y - C.y) * (C.x - px) - (A.x - C.x) * (C.y - py);
        if (e1 > 0.0f && e2 > 0.0f && e3 > 0.0f) return true;
    }
    return false;
}
