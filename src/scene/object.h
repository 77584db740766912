// scene/object — everything in the 3D world: the Object record, the circular actor list, the
// scheduler that runs behaviours once per game tick, the draw pass, models on objects and the
// cursor pick test.
//
// A behaviour is a C++20 coroutine returning Behaviour: straight-line code with loops that gives
// control back with `co_await OBJ_Wait(n)` and carries on exactly n scheduler passes later with
// its locals intact, or ends with `co_await OBJ_Kill(nullptr)`. Frames come from MEM_Alloc with
// the tag "Behaviour Frame"; the largest frame seen is logged as "Maximum Stack Used : %d". A
// behaviour that returns instead of waiting is logged and its object killed.
// Depends on: core/math, core/mem, core/log, render/mesh (models, pick meshes), render/material
// (owner matrix of quad blocks), scene/puppet. Limits: single-threaded; a behaviour may only
// co_await OBJ_Wait / OBJ_Kill in its own body (not in a nested coroutine); killed objects stay
// readable for 4 ticks.
#pragma once
#include <coroutine>
#include <cstdint>

#include "core/math.h"

struct Puppet;   // scene/puppet

// ---- The coroutine type of behaviours ----
class Behaviour {
public:
    struct promise_type {
        bool returned = false;                     // the body ran off its end (not allowed)
        Behaviour get_return_object() { return Behaviour(std::coroutine_handle<promise_type>::from_promise(*this)); }
        std::suspend_always initial_suspend() noexcept { return {}; }   // the scheduler starts it
        std::suspend_always final_suspend() noexcept { return {}; }     // the scheduler frees it
        void return_void() { returned = true; }
        void unhandled_exception() { returned = true; }                // treated like a return
        static void* operator new(std::size_t size) noexcept;          // MEM_Alloc, "Behaviour Frame"
        static Behaviour get_return_object_on_allocation_failure() { return Behaviour(); }
        static void operator delete(void* p, std::size_t size);
    };
    using Handle = std::coroutine_handle<promise_type>;

    Behaviour() = default;
    explicit Behaviour(Handle h) : handle_(h) {}
    Behaviour(Behaviour&& o) noexcept : handle_(o.handle_) { o.handle_ = {}; }
    Behaviour& operator=(Behaviour&& o) noexcept;
    Behaviour(const Behaviour&) = delete;
    Behaviour& operator=(const Behaviour&) = delete;
    ~Behaviour();                                  // frees a frame nobody took
    Handle Release();                              // hands the frame to the caller

private:
    Handle handle_{};
};

using OBJ_Behaviour = Behaviour (*)();             // a behaviour body: no arguments

// Object states.
enum : int { OBJ_STATE_NEW = 1, OBJ_STATE_DYING = 2, OBJ_STATE_LIVE = 3 };
// Render modes.
enum : int { RENDER_NONE = 0, RENDER_MESH = 1, RENDER_PUPPET = 2 };
// Display flags.
enum : uint32_t { DFG_HIDE = 1, DFG_PERMINANT = 2, DFG_RENDER = 8 };

struct Object {
    Vec3 position;
    Vec3 heading;                                  // forward; (0, 1, 0) by default
    Vec3 up;                                       // (0, 0, 1) by default
    Vec3 scale;                                    // (1, 1, 1) by default
    uint8_t worldValid;                            // world is current
    Mat4 world;                                    // rotation, then scale, then translation
    uint8_t inverseValid;                          // inverse is current
    Mat4 inverse;
    Object* next;                                  // circular actor list
    Object* prev;
    int model;                                     // mesh id; 0 = none
    int state;                                     // OBJ_STATE_*
    int wait;                                      // ticks before the scheduler looks again
    OBJ_Behaviour behaviour;                       // null: the object only lives and dies
    Behaviour::Handle coroutine;                   // the suspended behaviour (its "saved stack")
    int frameSize;                                 // bytes of that frame
    Puppet* puppet;                                // null when none
    uint8_t tint[4];                               // blue, green, red, alpha; 128 each
    int renderMode;                                // RENDER_*
    uint32_t displayFlags;                         // DFG_*
    Vec3 velocity;
    Object* parent;
    void* userData;                                // MEM_Alloc'd by the owner; freed with the object
    float userFloats[4];
    int userValue;
    int userInt;
    int userFlag;
};

extern Object* OBJ_Current;                        // the object being run, drawn or destroyed

// ---- Awaitables (co_await them inside a behaviour) ----
struct OBJ_WaitAwaiter {
    int ticks;
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<>) const noexcept;
    void await_resume() const noexcept {}
};
struct OBJ_KillAwaiter {
    bool suspend;                                  // true: the current object killed itself
    bool await_ready() const noexcept { return !suspend; }
    void await_suspend(std::coroutine_handle<>) const noexcept {}
    void await_resume() const noexcept {}
};

// ---- The actor list and the scheduler ----
void OBJ_InitLists();                              // empty list; points the quad owner matrix at objects
Object* OBJ_New(OBJ_Behaviour behaviour);          // appended at the tail, state new, wait 0
OBJ_WaitAwaiter OBJ_Wait(int ticks);               // co_await: resume n passes later (0 acts as 1)
OBJ_KillAwaiter OBJ_Kill(Object* obj);             // dying, wait 4; null: the current one, and co_await never resumes
void OBJ_KillByBehaviour(OBJ_Behaviour behaviour);
void OBJ_KillAll();                                // every object that is not dying already
Object* OBJ_FindByBehaviour(OBJ_Behaviour behaviour, Object* cursor);   // next after cursor (null: first)
void OBJ_RunAll(bool paused);                      // one pass; paused runs only DFG_RENDER actors
void OBJ_DrawAll();                                // live, shown objects by render mode
void OBJ_Destroy();                                // destroys OBJ_Current (not from its own behaviour)
void OBJ_DestroyAll();                             // logs "Maximum Stack Used : %d", resets it, destroys all
int OBJ_Count();                                   // actors in the list
int OBJ_MaxStackUsed();                            // largest behaviour frame since the last OBJ_DestroyAll

// ---- Models and matrices ----
int OBJ_SetModel(Object* obj, int model, bool attachPuppet);   // → the model stored (0: unchanged or none)
const Mat4* OBJ_GetWorldMatrix(Object* obj);       // rebuilt when worldValid is 0
const Mat4* OBJ_GetInverseMatrix(Object* obj);     // rebuilt when inverseValid is 0
void OBJ_Moved(Object* obj);                       // clears both valid bytes after a transform change
bool OBJ_IsUnderCursor(float cursorX, float cursorY, Object* obj);  // viewport fractions; pick mesh hit
