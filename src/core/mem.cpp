// core/mem — tagged heap wrappers and the per-frame scratch chain.
//
// Every long-lived allocation names its caller; the tag shows in the out-of-memory report and,
// with LOGMEM, in the log. Per-frame data comes from a chain of 1 KiB nodes that only grows
// and is emptied at the start of every frame. Scratch blocks start on 8-byte boundaries so
// records holding pointers and doubles can live there on a 64-bit machine.
#include "core/mem.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/err.h"
#include "core/log.h"
#include "core/settings.h"

namespace {

constexpr size_t kNodeData = 1024;
constexpr size_t kAlign = 8;

struct MEM_F_Buffer {
    uint8_t* data;
    int32_t used;
    MEM_F_Buffer* next;
};

MEM_F_Buffer* g_first = nullptr;
MEM_F_Buffer* g_current = nullptr;

MEM_F_Buffer* NewNode()
{
    void* block = MEM_Alloc(sizeof(MEM_F_Buffer) + kNodeData, "New MEM_F_Buffer");
    if (!block) return nullptr;
    MEM_F_Buffer* node = (MEM_F_Buffer*)block;
    node->data = (uint8_t*)block + sizeof(MEM_F_Buffer);
    node->used = 0;
    node->next = nullptr;
    return node;
}

size_t AlignUp(size_t n)
{
    return (n + kAlign - 1) & ~(kAlign - 1);
}

} // namespace

static_assert(sizeof(MEM_F_Buffer) % kAlign == 0, "scratch data must start aligned");

void* MEM_Alloc(size_t size, const char* tag)
{
    void* p = malloc(size ? size : 1);
    if (!p) {
        if (tag)
            ERR_Fatal("No Memory : ME1 : Size %zu : Caller \"%s\"", size, tag);
        else
            ERR_Fatal("No Memory : ME0 : Size %zu", size);
        return nullptr;
    }
    if (CFG_LogMem) {
        if (tag)
            LOG_Write("%s allocated %zu bytes at %llu", tag, size, (unsigned long long)(uintptr_t)p);
        else
            LOG_Write("'Unknown' allocated %zu bytes at %llu", size, (unsigned long long)(uintptr_t)p);
    }
    return p;
}

void* MEM_AllocZero(size_t size, const char* tag)
{
    void* p = MEM_Alloc(size, tag);
    if (p) memset(p, 0, size);
    return p;
}

void MEM_Free(void* p, const char* tag)
{
    if (!p) {
        if (CFG_LogMem) {
            if (tag)
                LOG_Fatal("%s : Cannot free NULL memory", tag);
            else
                LOG_Fatal("Cannot free NULL memory");
        }
        return;
    }
    if (CFG_LogMem) {
        if (tag)
            LOG_Write("%s freed %llu", tag, (unsigned long long)(uintptr_t)p);
        else
            LOG_Write("'Unknown' freed at %llu", (unsigned long long)(uintptr_t)p);
    }
    free(p);
}

char* MEM_StrDup(const char* s)
{
    if (!s || !*s) return nullptr;
    size_t n = strlen(s);
    char* copy = (char*)MEM_AllocZero(n + 1, nullptr);
    if (copy) memcpy(copy, s, n);
    return copy;
}

void MEM_F_Init()
{
    if (g_first) return;
    g_first = NewNode();
    g_current = g_first;
}

void* MEM_F_Alloc(size_t size)
{
    if (size >= kNodeData) {
        LOG_Fatal("MEM_F_Alloc : Trying to allocate too much at once");
        return nullptr;
    }
    if (!g_current) {
        MEM_F_Init();
        if (!g_current) return nullptr;
    }
    size_t start = AlignUp((size_t)g_current->used);
    if (start > kNodeData || size >= kNodeData - start) {
        MEM_F_Buffer* next = g_current->next;
        if (!next) {
            next = NewNode();
            if (!next) return nullptr;   // the fatal report has been raised
            g_current->next = next;
        }
        g_current = next;
        start = AlignUp((size_t)g_current->used);
    }
    g_current->used = (int32_t)(start + size);
    return g_current->data + start;
}

void MEM_F_Reset()
{
    for (MEM_F_Buffer* n = g_first; n; n = n->next) n->used = 0;
    g_current = g_first;
}
